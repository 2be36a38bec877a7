#include "bible/PABVeloria.h"

#include <string>

#include "app/uGlobal.h"
#include "bible/CrossReference.h"
#include "notes/Bookmarking.h"
#include "reader/ReadingWindow.h"
#include "store/RefLists.h"
#include "store/Text.h"
#include "widgets/Make.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;
using veloria::store::Table;
using veloria::store::Trim;
using veloria::store::VolumeTables;

TFB_Veloria* FB_Veloria = nullptr;

namespace {

const TFont kSans13{"MS Sans Serif", 13};
const TFont kBoldSans13{"MS Sans Serif", 13, {fsBold}};
const TFont kBoldTimes15{"Times New Roman", 15, {fsBold}};

// The volume a sentence belongs to, as its upper label names it; the Manual's sentences are told
// from the Clarification's by the first letter of their reference.
std::string VolumeName(const VolumeTables::Entry& volume, const std::string& reference) {
    if (volume.volume.code != 'M')
        return std::string(volume.volume.label);
    return std::string(veloria::store::ManualPartOfReference(reference));
}

}  // namespace

TFB_Veloria::TFB_Veloria()
    : TBrowseForm(
          "FB_Veloria", Tab_Texto_B,
          {.show = [this] { ShowCurrentRow(); },
           .counter = [this] { Label1->SetCaption(std::to_string(Tab_Texto_B.RecNo())); },
           .barFollows = {BrowseTrigger::CellClick, BrowseTrigger::KeyDown, BrowseTrigger::KeyUp,
                          BrowseTrigger::GridEnter, BrowseTrigger::Activation},
           .navigation = NavigationDisplay::ThroughGridEnter,
           .scrollFocusesGrid = false,
           .range = BarRange::Counted(),
           .rowAtShowing = RowAtShowing::First}) {
    SetCaption("References to Veloria");
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetClientSize(635, 407);
    SetPosition(poScreenCenter);
    SetShowHint(true);
    OnActivate = [this] { FormActivate(); };

    Image1 = MakeBackground(this, "Image1", veloria::bible::Background());

    DBGrid1 = Make<TDBGrid>(this, "DBGrid1", 16, 192, 601, 177, 0, Tab_Texto_B);
    DBGrid1->SetFont({"Times New Roman", 15});
    // Whole rows; Tab leaves the list rather than stepping through its columns.
    DBGrid1->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgRowSelect,
                         dgAlwaysShowSelection});
    DBGrid1->SetColumns({TColumn("Referencia", "     Reference", 108, kSans13),
                         TColumn("Pagina", " Page", 41, kSans13),
                         TColumn("Pensamiento", std::string(41, ' ') + "Sentence", 433, kSans13)});

    Memo1 = Make<TMemo>(this, "Memo1", 30, 36, 493, 145, 1);
    Memo1->SetReadOnly(true);
    Memo1->SetScrollBars(ssVertical);
    Memo1->SetFont({"Arial", 16});
    // A screen reader calls the text box by what it holds (the list is named by its titles).
    Memo1->SetAccessibleName("Sentence");

    // Over the list's right edge, where the list's own scroll bar would be.
    ScrollBar1 = Make<TScrollBar>(this, "ScrollBar1", 597, 194, 18, 173, 2, sbVertical);
    ScrollBar1->SetParams(1, 1, 1);
    ScrollBar1->SetPageSize(0);

    dxButton1 =
        MakeCopyButton(this, {"dxButton1", 544, 56, 72, 25, 3}, [this] { dxButton1Click(); });
    dxButton2 =
        MakeCloseButton(this, {"dxButton2", 544, 96, 72, 25, 4}, [this] { dxButton2Click(); });
    // Reading in context: below Close, with an access key no control of the window has.
    ReadButton =
        MakeFlatButton(this, {"ReadButton", 544, 136, 72, 25, 9},
                       {"&Read", "Read the sentence in its volume"}, [this] { ReadButtonClick(); });

    BookmarkButton = MakeFlatButton(this, {"BookmarkButton", 544, 164, 72, 25, 10},
                                    {"Book&mark", "Bookmark the sentence, or edit its note"},
                                    [this] { BookmarkButtonClick(); });

    const auto navigation = MakeNavigationButtons(
        this, {"dxButton3", "dxButton4", "dxButton5", "dxButton6"}, 476, 376, 5);
    dxButton3 = navigation[0];
    dxButton4 = navigation[1];
    dxButton5 = navigation[2];
    dxButton6 = navigation[3];
    ConnectBrowse<TFB_Veloria>(*this, navigation,
                               {&TFB_Veloria::dxButton3Click, &TFB_Veloria::dxButton4Click,
                                &TFB_Veloria::dxButton5Click, &TFB_Veloria::dxButton6Click},
                               GridEnter::Shows);
    SetButtonFont(*this, {"Arial", 13});

    // "3" " / 12 References": the row number grows to the left, the count to the right.
    Label1 = Make<TLabel>(this, "Label1", 0, 0, 0, 0);
    Label1->SetFont(kBoldSans13);
    Label1->SetTransparent(true);
    Label1->SetAlignment(taRightJustify);
    Label1->SetBounds(38, 375, 1, 17);
    Label1->SetCaption("");
    auto label = [this](const char* name, int left, int top, const TFont& font) {
        auto* l = Make<TLabel>(this, name, left, top, 0, 0);
        l->SetFont(font);
        l->SetTransparent(true);
        l->SetCaption("");
        return l;
    };
    Label2 = label("Label2", 37, 375, kBoldSans13);
    Label3 = label("Label3", 48, 16, kBoldTimes15);
    Label4 = label("Label4", 248, 16, kBoldTimes15);
    MarkLabel = label("MarkLabel", 200, 377, kSans13);
    MarkLabel->SetAutoSize(false);
    MarkLabel->SetBounds(200, 377, 260, 17);
    MarkLabel->SetShowAccelChar(false);
    MarkLabel->SetAccessibleName("Bookmark");
    veloria::notes::WhenChanged([self = QPointer<TFB_Veloria>(this)] {
        if (self)
            self->ShowMark();
    });
}

// ---- The rows ----

int TFB_Veloria::RebuildList() {
    int rows = 0;
    veloria::bible::RewriteTable(Tab_Texto_B, [this, &rows] {
        for (const veloria::store::SentenceEntry& e :
             veloria::store::SentenceEntries(uGlobal::VerseRefList)) {
            Tab_Texto_B.Append();
            Tab_Texto_B.SetField("Libro", e.code);
            Tab_Texto_B.SetField("Numero", e.number);
            // An entry that names no sentence keeps its row, with nothing of another sentence.
            const Table* book = Volumes.FindSentence(e.code, e.number);
            Tab_Texto_B.SetField("Pensamiento", book ? Trim(book->FieldView("UMemo")) : "");
            Tab_Texto_B.SetField("Referencia", book ? book->FieldView("Referencia") : "");
            Tab_Texto_B.SetField("Pagina", book ? book->FieldView("Pagina") : "");
            Tab_Texto_B.Post();
            ++rows;
        }
    });
    return rows;
}

Table* TFB_Veloria::FindCurrentSentence() {
    return Volumes.FindSentence(Tab_Texto_B.FieldView("Libro"), Tab_Texto_B.FieldView("Numero"));
}

void TFB_Veloria::ShowCurrentRow() {
    const VolumeTables::Entry* volume = Volumes.Find(Tab_Texto_B.FieldView("Libro"));
    const Table* book = FindCurrentSentence();
    ShowMark();
    if (!book)
        return;
    if (veloria::reader::Reader)
        veloria::reader::Reader->Follow(*this, volume->volume.code,
                                        Tab_Texto_B.FieldView("Numero"));
    Memo1->SetText(book->FieldView("Umemo"));
    const std::string reference = Trim(book->FieldView("Referencia"));
    Label3->SetCaption(reference);
    Label4->SetCaption(VolumeName(*volume, reference));
}

void TFB_Veloria::FormActivate() {
    ColourFixedCells();
    const int rows = RebuildList();
    browser_.StartShowing();
    Label2->SetCaption(" / " + std::to_string(rows) + " References");
    browser_.SetRowCount(rows);
    // An empty list has no row for the bar to name.
    ScrollBar1->SetEnabled(rows > 0);
    // Nothing of the last verse's sentences stays above a list that does not hold them.
    Memo1->Clear();
    Label3->SetCaption("");
    Label4->SetCaption("");
    browser_.Show(BrowseTrigger::Activation);
    DBGrid1->SetFocus();
}

// ---- Moving through the rows ----

void TFB_Veloria::dxButton3Click() {
    browser_.First();
}
void TFB_Veloria::dxButton4Click() {
    browser_.Prior();
}
void TFB_Veloria::dxButton5Click() {
    browser_.Next();
}
void TFB_Veloria::dxButton6Click() {
    browser_.Last();
}

// ---- Copy and Close ----

// The sentence is found again for the row: a row whose sentence is missing copies nothing rather
// than the sentence the book table was last moved to.
void TFB_Veloria::dxButton1Click() {
    CopySentence(*Memo1, FindCurrentSentence());
    DBGrid1->SetFocus();
}

void TFB_Veloria::dxButton2Click() {
    Close();
}

// The reading window opens beside this one, which stays open and usable (see
// reader/ReadingWindow.h).
void TFB_Veloria::ShowMark() {
    MarkLabel->SetCaption(
        veloria::notes::MarkOf(Tab_Texto_B.FieldView("Libro"), Tab_Texto_B.FieldView("Numero")));
}

void TFB_Veloria::BookmarkButtonClick() {
    veloria::notes::EditBookmark(Tab_Texto_B.FieldView("Libro"), Tab_Texto_B.FieldView("Numero"),
                                 FindCurrentSentence());
    DBGrid1->SetFocus();
}

void TFB_Veloria::ReadButtonClick() {
    const VolumeTables::Entry* volume = Volumes.Find(Tab_Texto_B.FieldView("Libro"));
    const bool found = volume && FindCurrentSentence();
    veloria::reader::Reader->ReadFrom(*this, found ? volume->volume.code : 0,
                                      found ? Tab_Texto_B.FieldView("Numero") : std::string_view());
    DBGrid1->SetFocus();
}
