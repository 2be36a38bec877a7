#include "glossary/PaGlosario.h"

#include <string>

#include "glossary/Markup.h"
#include "store/Text.h"
#include "widgets/Application.h"
#include "widgets/Make.h"
#include "widgets/StoredPicture.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;
using veloria::glossary::HashToBlank;
using veloria::glossary::HighlightByPositions;

TFGlosario* FGlosario = nullptr;

namespace {

const TFont kBoldArial13{"Arial", 13, {fsBold}};
// The scroll bar reaches this many terms; past them it stays at its end.
constexpr int kBarRows = 140;

}  // namespace

TFGlosario::TFGlosario()
    : TBrowseForm(
          "FGlosario", Glosario,
          {.show = [this] { ShowCurrentEntry(); },
           .counter = {},
           .barFollows = {BrowseTrigger::CellClick, BrowseTrigger::KeyDown, BrowseTrigger::KeyUp,
                          BrowseTrigger::Navigate, BrowseTrigger::Seek},
           .navigation = NavigationDisplay::ShowThenFocus,
           .scrollFocusesGrid = true,
           .range = BarRange::Fixed(kBarRows),
           .rowAtShowing = RowAtShowing::First}) {
    SetCaption("Glossary  -  explained by the Veloria editors, www.veloria.example.org");
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetOuterSize(712, 478);
    SetPosition(poScreenCenter);
    SetShowHint(true);
    OnActivate = [this] { FormActivate(); };

    Image1 = MakeBackground(this, "Image1", StoredPicture("Glosario.jpg"));

    Label1 = Make<TLabel>(this, "Label1", 9, 23, 53, 16);
    Label1->SetFont(kBoldArial13);
    Label1->SetTransparent(true);
    Label1->SetCaption("Search :");
    // Over the S of "Search :", so that it reads as the access key it is (Button3's).
    Label3 = Make<TLabel>(this, "Label3", 9, 23, 9, 16);
    Label3->SetFont({"Arial", 13, {fsBold, fsUnderline}});
    Label3->SetTransparent(true);
    Label3->SetCaption("S");

    edSearch = Make<TEdit>(this, "edSearch", 63, 20, 212, 24, 0);
    edSearch->SetFont({"Arial", 13});
    edSearch->SetCharCase(ecUpperCase);
    edSearch->OnChange = [this] { edSearchChange(); };
    edSearch->OnKeyDown = [this](WORD& key, TShiftState) { edSearchKeyDown(key); };
    edSearch->OnKeyPress = [this](char& key) { edSearchKeyPress(key); };
    edSearch->OnEnter = [this] { edSearchEnter(); };
    edSearch->OnExit = [this] { edSearchExit(); };

    DBGrid1 = Make<TDBGrid>(this, "DBGrid1", 13, 54, 280, 316, 1, Glosario);
    DBGrid1->SetFont({"Arial", 13});
    // One column: Tab leaves the list rather than stepping through its rows.
    DBGrid1->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgRowSelect,
                         dgAlwaysShowSelection});
    DBGrid1->SetColumns({TColumn("NOMBRE", "     ", 0, TFont{"Arial", 11, {fsBold}})});
    // Its title is blank: a screen reader calls the list by what it holds.
    DBGrid1->SetAccessibleName("Terms");
    // Over the list's right edge, where the list's own scroll bar would be.
    ScrollBar1 = Make<TScrollBar>(this, "ScrollBar1", 273, 56, 18, 312, 7, sbVertical);

    DBText1 = Make<TDBText>(this, "DBText1", 288, 10, 409, 17, -1, Glosario, "NOMBRE");
    DBText1->SetFont(kBoldArial13);
    DBText1->SetTransparent(true);

    // Behind the explanation, showing as a white margin around it.
    Memo1 = Make<TMemo>(this, "Memo1", 300, 35, 393, 392, 6);
    Memo1->SetColor(clWhite);
    Memo1->SetReadOnly(true);
    RichEdit1 = Make<TRichEdit>(this, "RichEdit1", 314, 37, 377, 388, 2);
    RichEdit1->SetColor(clWhite);
    RichEdit1->SetBorderStyle(bsNone);
    RichEdit1->SetReadOnly(true);
    RichEdit1->SetScrollBars(ssVertical);
    RichEdit1->SetFont({"Arial", 16});

    const auto navigation = MakeNavigationButtons(
        this, {"dxButton3", "dxButton4", "dxButton5", "dxButton6"}, 162, 376, 8);
    dxButton3 = navigation[0];
    dxButton4 = navigation[1];
    dxButton5 = navigation[2];
    dxButton6 = navigation[3];
    ConnectBrowse<TFGlosario>(*this, navigation,
                              {&TFGlosario::dxButton3Click, &TFGlosario::dxButton4Click,
                               &TFGlosario::dxButton5Click, &TFGlosario::dxButton6Click},
                              GridEnter::ShowsNothing);

    dxButton1 =
        MakeCloseButton(this, {"dxButton1", 8, 414, 72, 24, 3}, [this] { dxButton1Click(); });
    dxButton2 =
        MakeCopyButton(this, {"dxButton2", 85, 414, 72, 24, 4}, [this] { dxButton2Click(); });

    // Below the visible part of the window: only its access key, Alt+S, is ever used.
    Button3 = Make<TButton>(this, "Button3", 192, 541, 75, 25, 5);
    Button3->SetCaption("&Search");
    Button3->OnClick = [this] { Button3Click(); };
}

// ---- The entry shown ----

std::string TFGlosario::Explanation() const {
    std::string text;
    for (const char* field : {"U1", "U2", "U3", "U4", "U5", "U6", "U7"})
        text += Glosario.FieldAsString(field);
    return HashToBlank(text);
}

void TFGlosario::ShowCurrentEntry() {
    // Every entry starts plain: nothing of the last one's marks may carry over.
    RichEdit1->SetPlainText(Explanation());
    HighlightByPositions(*RichEdit1, Glosario.FieldAsString("Uposi"));
}

void TFGlosario::FormActivate() {
    ColourFixedCells();
    browser_.StartShowing();
    edSearch->Clear();
    ShowCurrentEntry();
    edSearch->SetFocus();
}

// ---- The search box ----

// The box upper-cases what is typed, so the key is compared with upper-case text; an emptied box
// goes to the first term, a text past the last key to the last.
void TFGlosario::edSearchChange() {
    Glosario.GotoNearest(edSearch->Text());
    browser_.Show(BrowseTrigger::Seek);
}

void TFGlosario::edSearchKeyDown(WORD& key) {
    if (key == VK_DOWN) {
        key = 0;
        SelectNext(edSearch, true);
    }
}

void TFGlosario::edSearchKeyPress(char& key) {
    if (key == '\r') {
        key = 0;
        SelectNext(edSearch, true);
    }
}

void TFGlosario::edSearchEnter() {
    edSearch->Clear();
    edSearch->SetFontColor(clBlack);
}

// What was typed stays in the box, white on white, until the box is entered again.
void TFGlosario::edSearchExit() {
    edSearch->SetFontColor(clWhite);
}

void TFGlosario::Button3Click() {
    edSearch->SetFocus();
}

// ---- Moving through the terms ----

void TFGlosario::dxButton3Click() {
    browser_.First();
}
void TFGlosario::dxButton4Click() {
    browser_.Prior();
}
void TFGlosario::dxButton5Click() {
    browser_.Next();
}
void TFGlosario::dxButton6Click() {
    browser_.Last();
}

// ---- Copy and Close ----

void TFGlosario::dxButton2Click() {
    if (RichEdit1->SelLength() >= 1) {
        RichEdit1->CopyToClipboard();
    } else {
        Clipboard().SetAsText(veloria::store::Trim(Glosario.FieldAsString("Nombre")) + "\r" +
                              Explanation());
    }
    DBGrid1->SetFocus();
}

void TFGlosario::dxButton1Click() {
    Close();
}
