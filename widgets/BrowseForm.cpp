#include "widgets/BrowseForm.h"

#include <utility>

#include "widgets/HintWindow.h"
#include "widgets/Look.h"

namespace veloria::widgets {

TBrowseForm::TBrowseForm(std::string_view name, store::Table& table, BrowseOptions options)
    : TForm(name), browser_(table, std::move(options)) {}

void TBrowseForm::DBGrid1CellClick() {
    browser_.Show(BrowseTrigger::CellClick);
}
void TBrowseForm::DBGrid1KeyDown() {
    browser_.Show(BrowseTrigger::KeyDown);
}
void TBrowseForm::DBGrid1KeyUp() {
    browser_.Show(BrowseTrigger::KeyUp);
}
void TBrowseForm::DBGrid1Enter() {
    browser_.Show(BrowseTrigger::GridEnter);
}

void TBrowseForm::ScrollBar1Scroll() {
    browser_.Scroll();
}

void TBrowseForm::ColourFixedCells() {
    DBGrid1->SetFixedColor(Look().fixedCells);
    HintWindow().SetArrowBackgroundColor(Look().fixedCells);
}

}  // namespace veloria::widgets
