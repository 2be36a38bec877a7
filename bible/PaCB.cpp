#include "bible/PaCB.h"

#include <string>

#include "app/uGlobal.h"
#include "bible/CrossReference.h"
#include "bible/PaBiblia.h"
#include "reader/ReadingWindow.h"
#include "store/Text.h"
#include "widgets/Make.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;
using veloria::store::Table;
using veloria::store::Trim;

TFCurBi* FCurBi = nullptr;

namespace {

const TFont kArial13{"Arial", 13};
const TFont kArial15{"Arial", 15};
// The grid's own title font, named for each column (the titles are blanks).
const TFont kTitles{"MS Sans Serif", 11};
// The sentences that cite the Bible; the bar's range and the counter's total, whatever the table
// holds.
constexpr int kCitingSentences = veloria::store::kCitingSentences;

}  // namespace

TFCurBi::TFCurBi()
    : TBrowseForm(
          "FCurBi", T_Biblia,
          {.show = [this] { ShowCurrentRow(); },
           .counter = [this] { Label1->SetCaption(std::to_string(T_Biblia.RecNo())); },
           .barFollows = {BrowseTrigger::CellClick, BrowseTrigger::KeyDown, BrowseTrigger::KeyUp,
                          BrowseTrigger::GridEnter, BrowseTrigger::Activation},
           .navigation = NavigationDisplay::ThroughGridEnter,
           .scrollFocusesGrid = false,
           .range = BarRange::Fixed(kCitingSentences),
           .rowAtShowing = RowAtShowing::Kept}) {
    SetCaption("Veloria to Bible");
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetClientSize(740, 446);
    SetPosition(poScreenCenter);
    SetShowHint(true);
    OnActivate = [this] { FormActivate(); };

    Image1 = MakeBackground(this, "Image1", veloria::bible::Background());

    DBGrid1 = Make<TDBGrid>(this, "DBGrid1", 8, 27, 353, 348, 0, T_Biblia);
    DBGrid1->SetFont(kArial15);
    DBGrid1->SetFixedColor(clScrollBar);
    // Whole rows; Tab leaves the list rather than stepping through its columns.
    DBGrid1->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgRowSelect,
                         dgAlwaysShowSelection});
    DBGrid1->SetColumns(
        {TColumn("Referencia", "  ", 120, kTitles), TColumn("Pensamiento", "  ", 0, kTitles)});
    // Over the list's right edge, where the list's own scroll bar would be.
    ScrollBar1 = Make<TScrollBar>(this, "ScrollBar1", 341, 30, 18, 325, 1, sbVertical);
    ScrollBar1->SetPageSize(0);

    dxButton1 =
        MakeCloseButton(this, {"dxButton1", 11, 414, 72, 25, 2}, [this] { dxButton1Click(); });
    dxButton2 =
        MakeCopyButton(this, {"dxButton2", 90, 414, 72, 25, 3}, [this] { dxButton2Click(); });
    dxButton3 = MakeFlatButton(this, {"dxButton3", 169, 414, 72, 25, 4},
                               {"&Bible", "References to Bible", "bible.png"},
                               [this] { dxButton3Click(); });
    // Reading in context: beside the three commands, with an access key no control of the window
    // has.
    ReadButton =
        MakeFlatButton(this, {"ReadButton", 248, 414, 72, 25, 11},
                       {"&Read", "Read the sentence in its volume"}, [this] { ReadButtonClick(); });

    const auto navigation = MakeNavigationButtons(
        this, {"dxButton4", "dxButton5", "dxButton6", "dxButton7"}, 220, 381, 5);
    dxButton4 = navigation[0];
    dxButton5 = navigation[1];
    dxButton6 = navigation[2];
    dxButton7 = navigation[3];
    ConnectBrowse<TFCurBi>(*this, navigation,
                           {&TFCurBi::dxButton4Click, &TFCurBi::dxButton5Click,
                            &TFCurBi::dxButton6Click, &TFCurBi::dxButton7Click},
                           GridEnter::Shows);
    SetButtonFont(*this, kArial13);

    // Pressed by the program when the passage viewer closes.
    Button1 = Make<TButton>(this, "Button1", 248, 2, 49, 22, 9);
    Button1->SetCaption("Button1");
    Button1->SetVisible(false);
    Button1->OnClick = [this] { Button1Click(); };

    Memo1 = Make<TMemo>(this, "Memo1", 376, 12, 353, 405, 10);
    Memo1->SetReadOnly(true);
    Memo1->SetScrollBars(ssVertical);
    Memo1->SetFont({"Arial", 16});
    // The list's titles are blank: a screen reader calls the list and the text box by what they
    // hold (the scroll bar is named by the list it moves).
    DBGrid1->SetAccessibleName("Sentences citing the Bible");
    Memo1->SetAccessibleName("Sentence");

    // "40" "/ 1121 References": the row number grows to the left of the fixed text.
    Label1 = Make<TLabel>(this, "Label1", 0, 0, 0, 0);
    Label1->SetFont(kArial15);
    Label1->SetTransparent(true);
    Label1->SetAlignment(taRightJustify);
    Label1->SetBounds(411, 425, 1, 17);
    Label1->SetCaption("");
    Label2 = Make<TLabel>(this, "Label2", 417, 425, 0, 0);
    Label2->SetFont(kArial15);
    Label2->SetTransparent(true);
    Label2->SetCaption("/ " + std::to_string(kCitingSentences) + " References");
}

// ---- The sentence shown ----

Table* TFCurBi::FindCurrentSentence() {
    return Volumes.FindSentence(T_Biblia.FieldView("Libro"), T_Biblia.FieldView("Numero"));
}

void TFCurBi::ShowCurrentRow() {
    const Table* book = FindCurrentSentence();
    if (!book)
        return;
    if (veloria::reader::Reader)
        veloria::reader::Reader->Follow(*this, T_Biblia.FieldView("Libro")[0],
                                        T_Biblia.FieldView("Numero"));
    Memo1->SetText(book->FieldView("Umemo"));
}

void TFCurBi::FormActivate() {
    browser_.StartShowing();
    browser_.Show(BrowseTrigger::Activation);
    DBGrid1->SetFocus();
}

// ---- Moving through the rows ----

void TFCurBi::dxButton4Click() {
    browser_.First();
}
void TFCurBi::dxButton5Click() {
    browser_.Prior();
}
void TFCurBi::dxButton6Click() {
    browser_.Next();
}
void TFCurBi::dxButton7Click() {
    browser_.Last();
}

// ---- The passages of the sentence ----

std::array<TdxButton*, 7> TFCurBi::FlatButtons() {
    return {dxButton1, dxButton2, dxButton3, dxButton4, dxButton5, dxButton6, dxButton7};
}

// The sentence is found again for the row: a row whose sentence is missing, or whose book code
// names no volume, opens the viewer on an empty list rather than on another sentence's passages.
void TFCurBi::dxButton3Click() {
    for (TdxButton* b : FlatButtons())
        b->SetEnabled(false);
    const Table* book = FindCurrentSentence();
    uGlobal::BibleRefList = (book ? Trim(book->FieldView("Biblia")) : std::string()) + "/";
    FBiblia->ShowModal();
    Button1->Click();
    DBGrid1->SetFocus();
}

void TFCurBi::Button1Click() {
    for (TdxButton* b : FlatButtons())
        b->SetEnabled(true);
}

// ---- Copy and Close ----

void TFCurBi::dxButton2Click() {
    CopySentence(*Memo1, FindCurrentSentence());
    DBGrid1->SetFocus();
}

void TFCurBi::dxButton1Click() {
    Close();
}

// The reading window opens beside this one, which stays open and usable (see
// reader/ReadingWindow.h).
void TFCurBi::ReadButtonClick() {
    const bool found = FindCurrentSentence() != nullptr;
    veloria::reader::Reader->ReadFrom(*this, found ? T_Biblia.FieldView("Libro")[0] : 0,
                                      found ? T_Biblia.FieldView("Numero") : std::string_view());
    DBGrid1->SetFocus();
}
