#include "bible/PaBiblia.h"

#include "app/uGlobal.h"
#include "bible/CrossReference.h"
#include "store/RefLists.h"
#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;
using veloria::bible::PassageText;
using veloria::store::Table;

TFBiblia* FBiblia = nullptr;

TFBiblia::TFBiblia()
    : TBrowseForm("FBiblia", TBiblia,
                  {.show = [this] { ShowCurrentPassage(); },
                   .counter = {},
                   .barFollows = {},
                   .navigation = NavigationDisplay::FocusThenShow,
                   .scrollFocusesGrid = false,
                   .range = BarRange::Counted(),
                   .rowAtShowing = RowAtShowing::First}) {
    SetCaption("Bible  -  New King James Version");
    SetBorderStyle(bsSizeable);
    SetBorderIcons({biSystemMenu});
    SetClientSize(649, 443);
    SetPosition(poScreenCenter);
    SetShowHint(true);
    OnActivate = [this] { FormActivate(); };

    Image1 = MakeBackground(this, "Image1", veloria::bible::Background());

    DBGrid1 = Make<TDBGrid>(this, "DBGrid1", 12, 43, 220, 310, 0, TBiblia);
    DBGrid1->SetFont({"Arial", 15});
    // One column: Tab leaves the list rather than stepping through its rows.
    DBGrid1->SetOptions(
        {dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgAlwaysShowSelection});
    DBGrid1->SetColumns({TColumn("Referencia", "       PASSAGE", 0, TFont{"Arial", 13, {fsBold}})});

    dxButton1 =
        MakeCloseButton(this, {"dxButton1", 10, 409, 72, 25, 1}, [this] { dxButton1Click(); });
    dxButton2 =
        MakeCopyButton(this, {"dxButton2", 86, 409, 72, 25, 2}, [this] { dxButton2Click(); });

    const auto navigation = MakeNavigationButtons(
        this, {"dxButton3", "dxButton4", "dxButton5", "dxButton6"}, 100, 360, 3);
    dxButton3 = navigation[0];
    dxButton4 = navigation[1];
    dxButton5 = navigation[2];
    dxButton6 = navigation[3];
    ConnectBrowse<TFBiblia>(*this, navigation,
                            {&TFBiblia::dxButton3Click, &TFBiblia::dxButton4Click,
                             &TFBiblia::dxButton5Click, &TFBiblia::dxButton6Click},
                            GridEnter::ShowsNothing);

    Memo1 = Make<TMemo>(this, "Memo1", 244, 16, 397, 407, 7);
    Memo1->SetReadOnly(true);
    Memo1->SetScrollBars(ssVertical);
    Memo1->SetFont({"Arial", 16});
    // A screen reader calls the text box by what it holds (the list is named by its title).
    Memo1->SetAccessibleName("Passage text");
}

// ---- The passages of the list ----

void TFBiblia::RebuildList() {
    veloria::bible::RewriteTable(TBiblia, [this] {
        for (std::string_view key : veloria::store::PassageKeys(uGlobal::BibleRefList)) {
            // A key that names no passage adds no row.
            if (!Biblia.FindKey(key))
                continue;
            TBiblia.Append();
            TBiblia.SetField("Referencia", Biblia.FieldView("Referencia"));
            TBiblia.SetField("Numero", key);
            TBiblia.Post();
        }
    });
}

void TFBiblia::ShowCurrentPassage() {
    if (!Biblia.FindKey(TBiblia.FieldView("Numero")))
        return;
    Memo1->SetText(PassageText(Biblia));
}

void TFBiblia::FormActivate() {
    SetColor(Look().readingWindow);
    ColourFixedCells();
    RebuildList();
    browser_.StartShowing();
    // A list without passages shows no text, rather than the last passage of another sentence.
    if (TBiblia.IsEmpty())
        Memo1->Clear();
    ShowCurrentPassage();
    DBGrid1->SetFocus();
}

// ---- Moving through the passages ----

void TFBiblia::dxButton3Click() {
    browser_.First();
}
void TFBiblia::dxButton4Click() {
    browser_.Prior();
}
void TFBiblia::dxButton5Click() {
    browser_.Next();
}
void TFBiblia::dxButton6Click() {
    browser_.Last();
}

// ---- Copy and Close ----

void TFBiblia::dxButton2Click() {
    Memo1->CopySelectionOrAll();
    DBGrid1->SetFocus();
}

void TFBiblia::dxButton1Click() {
    Close();
}
