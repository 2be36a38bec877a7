#pragma once

#include <array>
#include <string_view>

#include "store/Table.h"
#include "widgets/Browser.h"
#include "widgets/Buttons.h"
#include "widgets/DBGrid.h"
#include "widgets/Form.h"
#include "widgets/ScrollBar.h"

// A window built round one browse piece (Browser.h): its grid DBGrid1, the scroll bar ScrollBar1
// laid over the grid where it has one, and their handlers, named as every such window names them,
// each handing on to the piece. The window makes the controls, keeps the navigation buttons'
// handlers (their names differ from window to window) and connects the whole with ConnectBrowse.
namespace veloria::widgets {

// Whether the grid's focus gain runs the window's display step (DBGrid1Enter).
enum class GridEnter { Shows, ShowsNothing };

class TBrowseForm : public TForm {
  public:
    TDBGrid* DBGrid1 = nullptr;
    TScrollBar* ScrollBar1 = nullptr;  // none in a window without a scroll bar

    void DBGrid1CellClick();
    void DBGrid1KeyDown();
    void DBGrid1KeyUp();
    // Connected only in a window whose grid's focus gain shows the row (GridEnter::Shows).
    void DBGrid1Enter();
    void ScrollBar1Scroll();

  protected:
    // The look's colour on the grid's title row and indicator column and on the hint arrows, as
    // the windows set them at each activation.
    void ColourFixedCells();

    // `table` and the options' steps may be the window's own members, made after this base: the
    // piece keeps them to use once the window is made.
    TBrowseForm(std::string_view name, store::Table& table, BrowseOptions options);

    // Wires the grid and the bar to the handlers above and the four navigation buttons ("I<-",
    // "<-", "->", "->I") to the window's handlers.
    template <class W>
    void ConnectBrowse(W& window, const std::array<TdxButton*, 4>& buttons,
                       const std::array<void (W::*)(), 4>& navigation, GridEnter enter);

    Browser browser_;
};

template <class W>
void TBrowseForm::ConnectBrowse(W& window, const std::array<TdxButton*, 4>& buttons,
                                const std::array<void (W::*)(), 4>& navigation, GridEnter enter) {
    browser_.Connect<W>(window, {DBGrid1, ScrollBar1, buttons},
                        {.CellClick = &W::DBGrid1CellClick,
                         .KeyDown = &W::DBGrid1KeyDown,
                         .KeyUp = &W::DBGrid1KeyUp,
                         .Enter = enter == GridEnter::Shows ? &W::DBGrid1Enter : nullptr,
                         .Scroll = ScrollBar1 ? &W::ScrollBar1Scroll : nullptr,
                         .First = navigation[0],
                         .Prior = navigation[1],
                         .Next = navigation[2],
                         .Last = navigation[3]});
}

}  // namespace veloria::widgets
