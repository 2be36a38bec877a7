#include "bible/PaBc.h"

#include <string>

#include "app/uGlobal.h"
#include "bible/CrossReference.h"
#include "bible/PABVeloria.h"
#include "store/Text.h"
#include "widgets/Make.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;
using veloria::store::Trim;

TFBC* FBC = nullptr;

namespace {

const TFont kArial15{"Arial", 15};
// The grid's own title font, named for each column (the titles are blanks).
const TFont kTitles{"MS Sans Serif", 11};
// The verses the work cites; the bar's range and the counter's total, whatever the table holds.
constexpr int kVerses = veloria::store::kBiblePassages;

}  // namespace

TFBC::TFBC()
    : TBrowseForm("FBC", Biblia,
                  {.show = [this] { ShowCurrentVerse(); },
                   .counter = [this] { Label1->SetCaption(std::to_string(Biblia.RecNo())); },
                   .barFollows = {BrowseTrigger::CellClick, BrowseTrigger::KeyDown,
                                  BrowseTrigger::KeyUp, BrowseTrigger::GridEnter},
                   .navigation = NavigationDisplay::ThroughGridEnter,
                   .scrollFocusesGrid = false,
                   .range = BarRange::Fixed(kVerses),
                   .rowAtShowing = RowAtShowing::Kept}) {
    SetCaption("Bible  -  New King James Version");
    SetBorderStyle(bsSizeable);
    SetBorderIcons({biSystemMenu});
    SetClientSize(740, 446);
    SetPosition(poScreenCenter);
    SetShowHint(true);
    OnActivate = [this] { FormActivate(); };

    Image1 = MakeBackground(this, "Image1", veloria::bible::Background());

    DBGrid1 = Make<TDBGrid>(this, "DBGrid1", 8, 27, 353, 348, 0, Biblia);
    DBGrid1->SetFont(kArial15);
    // Whole rows; Tab leaves the list rather than stepping through its columns.
    DBGrid1->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgRowSelect,
                         dgAlwaysShowSelection});
    DBGrid1->SetColumns(
        {TColumn("REFERENCIA", "  ", 158, kTitles, taCenter), TColumn("TEXTO", "  ", 0, kTitles)});
    // Over the list's right edge, where the list's own scroll bar would be.
    ScrollBar1 = Make<TScrollBar>(this, "ScrollBar1", 341, 30, 18, 325, 2, sbVertical);
    ScrollBar1->SetSmallChange(1);
    ScrollBar1->SetLargeChange(1);

    RichEdit1 = Make<TRichEdit>(this, "RichEdit1", 376, 16, 353, 407, 1);
    RichEdit1->SetReadOnly(true);
    RichEdit1->SetScrollBars(ssVertical);
    RichEdit1->SetFont({"Arial", 16});
    // The list's titles are blank: a screen reader calls the list and the text box by what they
    // hold (the scroll bar is named by the list it moves).
    DBGrid1->SetAccessibleName("Verses");
    RichEdit1->SetAccessibleName("Verse text");

    // "17" "/ 404 References": the number grows to the left of the fixed text.
    Label1 = Make<TLabel>(this, "Label1", 0, 0, 0, 0);
    Label1->SetFont(kArial15);
    Label1->SetTransparent(true);
    Label1->SetAlignment(taRightJustify);
    Label1->SetBounds(396, 427, 43, 17);
    Label1->SetCaption("Label1");
    Label2 = Make<TLabel>(this, "Label2", 444, 427, 112, 17);
    Label2->SetFont(kArial15);
    Label2->SetTransparent(true);
    Label2->SetCaption("/ " + std::to_string(kVerses) + " References");

    dxButton1 =
        MakeCloseButton(this, {"dxButton1", 11, 414, 72, 25, 3}, [this] { dxButton1Click(); });
    dxButton2 =
        MakeCopyButton(this, {"dxButton2", 90, 414, 72, 25, 4}, [this] { dxButton2Click(); });
    dxButton3 = MakeFlatButton(this, {"dxButton3", 169, 414, 72, 25, 5},
                               {"&Veloria", "References to Veloria ", "bible.png"},
                               [this] { dxButton3Click(); });

    const auto navigation = MakeNavigationButtons(
        this, {"dxButton4", "dxButton5", "dxButton6", "dxButton7"}, 220, 381, 6);
    dxButton4 = navigation[0];
    dxButton5 = navigation[1];
    dxButton6 = navigation[2];
    dxButton7 = navigation[3];
    ConnectBrowse<TFBC>(*this, navigation,
                        {&TFBC::dxButton4Click, &TFBC::dxButton5Click, &TFBC::dxButton6Click,
                         &TFBC::dxButton7Click},
                        GridEnter::Shows);

    // Pressed by the program when the sentences citing a verse close.
    Button1 = Make<TButton>(this, "Button1", 248, 2, 49, 22, 10);
    Button1->SetCaption("Button1");
    Button1->SetVisible(false);
    Button1->OnClick = [this] { Button1Click(); };
}

// ---- The verse shown ----

void TFBC::ShowCurrentVerse() {
    RichEdit1->SetPlainText(veloria::bible::PassageText(Biblia));
}

// The grid gained the focus as the window was shown, which set the bar and the counter; the
// activation shows the verse alone.
void TFBC::FormActivate() {
    ColourFixedCells();
    ShowCurrentVerse();
    DBGrid1->SetFocus();
}

// ---- Moving through the verses ----

void TFBC::dxButton4Click() {
    browser_.First();
}
void TFBC::dxButton5Click() {
    browser_.Prior();
}
void TFBC::dxButton6Click() {
    browser_.Next();
}
void TFBC::dxButton7Click() {
    browser_.Last();
}

// ---- The sentences citing the verse ----

std::array<TControl*, 9> TFBC::ControlsOffWhileCitingOpen() {
    return {Label1,    Label2,    dxButton1, dxButton2, dxButton3,
            dxButton4, dxButton5, dxButton6, dxButton7};
}

void TFBC::dxButton3Click() {
    for (TControl* c : ControlsOffWhileCitingOpen())
        c->SetEnabled(false);
    std::string& list = uGlobal::VerseRefList;
    list.clear();
    for (const char* field : {"C1", "C2", "C3", "C4"})
        list += Trim(Biblia.FieldView(field));
    FB_Veloria->ShowModal();
    Button1->Click();
    DBGrid1->SetFocus();
}

void TFBC::Button1Click() {
    for (TControl* c : ControlsOffWhileCitingOpen())
        c->SetEnabled(true);
}

// ---- Copy and Close ----

void TFBC::dxButton2Click() {
    RichEdit1->CopySelectionOrAll();
    DBGrid1->SetFocus();
}

void TFBC::dxButton1Click() {
    Close();
}
