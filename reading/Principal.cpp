#include "reading/Principal.h"

#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "app/uGlobal.h"
#include "bible/PaBc.h"
#include "bible/PaBiblia.h"
#include "bible/PaCB.h"
#include "export/ExportDialog.h"
#include "glossary/PaGlosario.h"
#include "history/HistoryWindow.h"
#include "notes/Bookmarking.h"
#include "notes/BookmarksWindow.h"
#include "notes/NoteDialog.h"
#include "reader/ReadingWindow.h"
#include "reading/PaDesplegar.h"
#include "search/PaBuscar.h"
#include "search/SearchEngine.h"
#include "settings/Settings.h"
#include "store/Results.h"
#include "store/Schema.h"
#include "store/Text.h"
#include "study/Study.h"
#include "tip/PaFrase.h"
#include "widgets/Application.h"
#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/TextMarks.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;
using veloria::store::Table;
using veloria::store::Trim;
using veloria::store::VolumeTables;

TForm1* Form1 = nullptr;

namespace {

// The named guard of the program: a second copy says so and ends at once.
std::unique_ptr<veloria::widgets::SingleInstance> AcquireGuard() {
    auto guard = std::make_unique<veloria::widgets::SingleInstance>("Veloria");
    if (guard->AlreadyRunning()) {
        // Windows-1252, as every text the windows show.
        Application().MessageBox("Este programa ya se est\xE1 ejecutando...", "Veloria", MB_OK);
        std::exit(0);
    }
    return guard;
}

const TFont kTimes15{"Times New Roman", 15};
const TFont kArial13{"Arial", 13};
const TFont kArial15{"Arial", 15};
const TFont kArial17{"Arial", 17};

}  // namespace

void TForm1::ReadAhead(std::vector<std::shared_ptr<void>>& kept) {
    auto results = std::make_shared<Table>("Texto_B.DB");
    results->RowCount();  // the grid counts the hits as it is made
    kept.push_back(std::move(results));
    kept.push_back(std::make_shared<Table>("Configura.db"));
    kept.push_back(std::make_shared<VolumeTables>(VolumeTables::Headings::With));
}

TForm1::TForm1()
    : TBrowseForm("Form1", Texto_B,
                  {.show = [this] { ShowCurrentSentence(); },
                   .counter = [this] { ShowCounter(); },
                   .barFollows = {BrowseTrigger::CellClick, BrowseTrigger::KeyDown,
                                  BrowseTrigger::KeyUp, BrowseTrigger::GridEnter},
                   .navigation = NavigationDisplay::ThroughGridEnter,
                   .scrollFocusesGrid = true,
                   .range = BarRange::Counted(),
                   .rowAtShowing = RowAtShowing::Kept}),
      guard_(AcquireGuard()) {
    SetCaption("Proyecto Veloria     ");
    // Below the window's first layout, a row of the commands it gained since.
    SetClientSize(749, 537);
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu, biMinimize});
    SetPosition(poScreenCenter);
    SetShowHint(true);
    SetFont({"MS Sans Serif", 11});
    SetColor(Look().mainWindow);
    OnActivate = [this] { FormActivate(); };

    Image1 = Make<TImage>(this, "Image1", 0, 0, 760, 490);
    Image1->SetTransparent(true);
    Image1->SetVisible(Look().backgroundPictures);
    Image2 = Make<TImage>(this, "Image2", 14, 302, 105, 139);
    Image2->SetTransparent(true);

    auto label = [this](const char* name, int left, int top, const char* caption) {
        auto* l = Make<TLabel>(this, name, left, top, 0, 0);
        l->SetFont(kTimes15);
        l->SetTransparent(true);
        l->SetCaption(caption);
        return l;
    };
    Label1 = label("Label1", 150, 43, "Label1");
    Label2 = label("Label2", 150, 62, "Label2");
    Label3 = label("Label3", 150, 81, "Label3");
    Label5 = label("Label5", 341, 81, "Label5");
    Label5->SetAlignment(taCenter);
    // Centred under the middle of the text area, where the longest name, "Clarification Of
    // Terms", clears both the reference and the page.
    Label5->SetBounds(341, 81, 150, 17);
    Label6 = label("Label6", 602, 81, "Page");
    Label4 = label("Label4", 639, 81, "Label4");
    Label7 = label("Label7", 138, 458, "");
    Label7->SetAutoSize(false);
    Label7->SetBounds(138, 458, 472, 17);
    Label7->SetFont(kArial15);
    Label8 = label("Label8", 32, 250, "0");
    Label8->SetVisible(false);

    Memo1 = Make<TMemo>(this, "Memo1", 150, 113, 493, 145, 1);
    Memo1->SetReadOnly(true);
    Memo1->SetScrollBars(ssVertical);
    Memo1->SetFont(kArial17);

    DBGrid1 = Make<TDBGrid>(this, "DBGrid1", 137, 269, 589, 175, 0, Texto_B);
    DBGrid1->SetFont(kTimes15);
    DBGrid1->SetColumns(
        {TColumn("Referencia", "      Reference", 130, kArial13),
         TColumn("Pensamiento", "                           Sentence", 0, kArial13)});
    // Several hits picked with Shift or Ctrl go out together (Export).
    DBGrid1->SetMultiSelect(true);

    ScrollBar1 = Make<TScrollBar>(this, "ScrollBar1", 706, 271, 18, 153, 2, sbVertical);
    ScrollBar1->SetParams(1, 1, 100);
    ScrollBar1->SetSmallChange(1);
    ScrollBar1->SetLargeChange(1);

    auto command = [this](const ControlPlace& place, const ButtonFace& face,
                          void (TForm1::*handler)()) {
        return MakeFlatButton(this, place, face, [this, handler] { (this->*handler)(); });
    };
    Boton1 = command({"Boton1", 26, 64, 79, 24, 4}, {"&Search", "Search in Veloria"},
                     &TForm1::Boton1Click);
    dxButton1 = command({"dxButton1", 26, 103, 79, 24, 5}, {"&Glossary", "Glossary for Veloria"},
                        &TForm1::dxButton1Click);
    dxButton2 = command({"dxButton2", 26, 142, 79, 24, 6}, {"&Bible R. ", "Bible to Veloria"},
                        &TForm1::dxButton2Click);
    // Before "V&L B.  ", which shares its access key: Alt+L reaches the sentence's own passages
    // while they are there to reach, and the list of citing sentences otherwise.
    B_Biblia = command({"B_Biblia", 654, 144, 79, 24, 8}, {"Bib&le", "Veloria to Bible"},
                       &TForm1::B_BibliaClick);
    dxButton10 = command({"dxButton10", 28, 181, 75, 24, 17}, {"V&L B.  ", "Veloria to Bible"},
                         &TForm1::dxButton10Click);
    dxButton5 = command({"dxButton5", 26, 220, 79, 24, 16}, {" &Help      ", "Help"},
                        &TForm1::dxButton5Click);
    dxButton3 = command({"dxButton3", 26, 259, 79, 24, 7}, {"E&xit      ", "Exit"},
                        &TForm1::dxButton3Click);
    dxButton4 =
        command({"dxButton4", 654, 183, 79, 24, 9}, {" &Copy", "Copy"}, &TForm1::dxButton4Click);
    dxButton6 = command({"dxButton6", 654, 222, 79, 24, 10}, {"&Paragraph", "View Paragraph"},
                        &TForm1::dxButton6Click);
    const auto navigation = MakeNavigationButtons(
        this, {"dxButton7", "dxButton8", "dxButton9", "dxButton15"}, 585, 451, 11);
    dxButton7 = navigation[0];
    dxButton8 = navigation[1];
    dxButton9 = navigation[2];
    dxButton15 = navigation[3];
    // Reading in context: above the Bible button, in the column of the sentence's commands, with an
    // access key no command of the window has.
    ReadButton = command({"ReadButton", 654, 105, 79, 24, 18},
                         {"&Read", "Read the hit in its volume"}, &TForm1::ReadButtonClick);
    // The user's own, in the lower row, with access keys no command of the window has.
    BookmarkButton =
        command({"BookmarkButton", 14, 507, 79, 24, 19},
                {"Book&mark", "Bookmark the hit, or edit its note"}, &TForm1::BookmarkButtonClick);
    BookmarksButton = command({"BookmarksButton", 99, 507, 79, 24, 20},
                              {"Boo&kmarks", "Your bookmarks"}, &TForm1::BookmarksButtonClick);
    HistoryButton =
        command({"HistoryButton", 184, 507, 79, 24, 21},
                {"Histor&y", "Your earlier searches, to run again"}, &TForm1::HistoryButtonClick);
    ExportButton = command({"ExportButton", 269, 507, 79, 24, 22},
                           {"&Export", "Copy, save or print the hits"}, &TForm1::ExportButtonClick);
    MarkLabel = label("MarkLabel", 360, 511, "");
    MarkLabel->SetAutoSize(false);
    MarkLabel->SetBounds(360, 511, 290, 17);
    MarkLabel->SetFont(kArial15);
    MarkLabel->SetShowAccelChar(false);
    MarkLabel->SetAccessibleName("Bookmark");
    veloria::notes::WhenChanged([self = QPointer<TForm1>(this)] {
        if (self)
            self->ShowMark();
    });
    // Above that row, the search the hits come from; at its end, the settings.
    SearchLine = Make<TLabel>(this, "SearchLine", 14, 480, 721, 22);
    SearchLine->SetAutoSize(false);
    SearchLine->SetBounds(14, 480, 721, 22);
    SearchLine->SetLayout(tlCenter);
    SearchLine->SetTransparent(true);
    SearchLine->SetFont(kArial13);
    SettingsButton =
        command({"SettingsButton", 656, 507, 79, 24, 23},
                {"Se&ttings", "Size, look and the tip at start"}, &TForm1::SettingsButtonClick);
    // Off until the activation's "Activar".
    for (TdxButton* b : CommandButtons())
        b->SetEnabled(false);
    ConnectBrowse<TForm1>(*this, navigation,
                          {&TForm1::dxButton7Click, &TForm1::dxButton8Click,
                           &TForm1::dxButton9Click, &TForm1::dxButton15Click},
                          GridEnter::Shows);

    Button1 = Make<TButton>(this, "Button1", 32, 280, 57, 22, 15);
    Button1->SetCaption("Activar");
    Button1->SetVisible(false);
    Button1->OnClick = [this] { Button1Click(); };
    Button4 = Make<TButton>(this, "Button4", 654, 112, 33, 25, 3);
    Button4->SetCaption("Actualizar");
    Button4->SetVisible(false);
    Button4->OnClick = [this] { Button4Click(); };

    Timer1.SetInterval(1000);
    Timer1.OnTimer = [this] { Timer1Timer(); };
    Timer1.SetEnabled(true);

    // What a screen reader calls the two controls without a caption (the scroll bar is named by
    // the list it moves).
    Memo1->SetAccessibleName("Sentence");
    DBGrid1->SetAccessibleName("Search results");
}

TForm1::~TForm1() = default;

// ---- The display of the current hit ----

VolumeTables::Entry* TForm1::CurrentVolume() {
    return Volumes.Find(Texto_B.FieldAsString("Libro"));
}

void TForm1::SetBibleIndicator(bool cites) {
    TBitmap picture;
    LoadDecoration(picture, cites ? "BAbierto.bmp" : "BCerrado.bmp");
    // The open or closed book says it to those who see it; the button's description to the rest.
    picture.SetDescription(cites ? "The sentence cites the Bible"
                                 : "The sentence cites no Bible passage");
    B_Biblia->SetGlyph(picture);
    B_Biblia->SetEnabled(cites);
}

void TForm1::ShowCurrentSentence(std::string_view codes) {
    VolumeTables::Entry* v = CurrentVolume();
    if (!v || codes.find(v->volume.code) == std::string_view::npos)
        return;
    if (!v->book.FindKey(Texto_B.FieldAsString("Numero")))
        return;

    const std::string sentence = v->book.FieldAsString("Umemo");
    if (veloria::reader::Reader)
        veloria::reader::Reader->Follow(*this, v->volume.code, Texto_B.FieldView("Numero"),
                                        uGlobal::HitPatterns);
    Memo1->SetText(sentence);
    ShowMark();
    Memo1->SetMarks(MatchMarks(sentence, uGlobal::HitPatterns));
    const bool pageShown = v->volume.pageShown;
    Label4->SetCaption(pageShown ? v->book.FieldAsString("Pagina") : "  ");
    Label6->SetCaption(pageShown ? "Pag." : " ");
    Label3->SetCaption(Trim(v->book.FieldAsString("Referencia")));
    Label5->SetCaption(v->volume.label);
    SetBibleIndicator(!Trim(v->book.FieldAsString("Biblia")).empty());

    Table& index = *v->index;
    if (!index.FindKey(v->book.FieldAsString("Num_I")))
        return;
    if (v->volume.code == 'M') {
        Label1->SetCaption("");
        Label5->SetCaption(veloria::store::ManualPartOfHeading(Trim(index.FieldAsString("Nom_1"))));
    } else {
        Label1->SetCaption(index.FieldAsString("Nom_1"));
    }
    Label2->SetCaption(index.FieldAsString("Nom_2"));
}

void TForm1::ShowCounter() {
    Label7->SetCaption(uGlobal::ResultCount == 0
                           ? std::string("0 Encontrados")
                           : std::to_string(Texto_B.RecNo()) + " / " +
                                 std::to_string(uGlobal::ResultCount) + " References");
    KeepPlace();
}

// ---- The search the hits come from, and the place kept ----

namespace {

// The search as the dialog would run it again.
veloria::search::SearchRequest HitRequest() {
    veloria::search::SearchRequest request;
    request.wordBoxText = uGlobal::HitQuery;
    request.exactPhrase = uGlobal::HitExactPhrase == 1;
    request.exactWord = uGlobal::HitExactWord == 1;
    for (std::size_t v = 0; v < request.volumes.size(); ++v)
        request.volumes[v] = uGlobal::HitVolumes[v] == 1;
    return request;
}

// The hits of each volume: the result rows carry the volume's book code.
std::array<int, veloria::store::kVolumeCount> HitsPerVolume(const Table& results) {
    std::array<int, veloria::store::kVolumeCount> hits{};
    const int libro = veloria::store::FieldIndex(results.Def(), "Libro");
    const auto volumes = veloria::store::Volumes();
    const int rows = libro < 0 ? 0 : results.RowCount();
    for (int r = 1; r <= rows; ++r) {
        const std::string code = Trim(results.CellView(r, libro));
        for (std::size_t v = 0; v < volumes.size(); ++v)
            if (code.size() == 1 && code[0] == volumes[v].code)
                ++hits[v];
    }
    return hits;
}

}  // namespace

void TForm1::ShowSearchLine() {
    std::string line;
    if (uGlobal::HitSearchKnown != 1) {
        line = uGlobal::ResultCount == 0
                   ? "No search yet."
                   : "The hits of an earlier search, whose words were not kept.";
    } else {
        const auto request = HitRequest();
        line = "\"" + Trim(request.wordBoxText) + "\", " +
               (request.exactPhrase ? "exact phrase"
                : request.exactWord ? "any order, exact words"
                                    : "any order") +
               ":";
        const auto hits = HitsPerVolume(Texto_B);
        const auto volumes = veloria::store::Volumes();
        const char* separator = " ";
        for (std::size_t v = 0; v < volumes.size(); ++v) {
            if (!request.volumes[v])
                continue;
            line += separator + std::string(volumes[v].label) + " " + std::to_string(hits[v]);
            separator = ", ";
        }
    }
    if (uGlobal::SearchRefused != 0)
        line = std::string("Not searched: ") +
               (uGlobal::SearchRefused == 1 ? "the word box was empty" : "no volume was ticked") +
               ". The hits are still those of the search before. " + line;
    SearchLine->SetCaption(line);
    SearchLine->SetHint(line);
    SearchLine->SetAccessibleName("Search shown: " + line);
}

void TForm1::RestorePlace() {
    veloria::study::StudyStore* study = veloria::study::Study();
    if (!study)
        return;
    const std::optional<veloria::study::RememberedSearch> last = study->LastSearch();
    // Hits that another search made (one the store could not keep) are not that search's.
    if (!last || last->hitCount != veloria::store::StoredResultCount(Configura, Texto_B))
        return;
    uGlobal::HitSearchKnown = 1;
    uGlobal::HitQuery = last->search.query;
    uGlobal::HitExactPhrase = last->search.mode == veloria::study::SearchMode::ExactPhrase;
    uGlobal::HitExactWord = last->search.exactWord ? 1 : 0;
    for (std::size_t v = 0; v < uGlobal::HitVolumes.size(); ++v)
        uGlobal::HitVolumes[v] = last->search.volumes[v] ? 1 : 0;
    uGlobal::HitPatterns = veloria::search::PatternsOf(HitRequest());
    if (last->currentRow > 1 && last->currentRow <= Texto_B.RowCount())
        Texto_B.MoveTo(last->currentRow);
}

void TForm1::KeepPlace() {
    veloria::study::StudyStore* study = veloria::study::Study();
    if (!study || uGlobal::HitSearchKnown != 1 || uGlobal::ResultCount == 0)
        return;
    // Moving through the hits must go on whatever the store answers: its first failure is said,
    // the others would only repeat it at every move.
    static bool failed = false;
    try {
        study->SetCurrentRow(Texto_B.RecNo());
    } catch (const std::exception& e) {
        if (!std::exchange(failed, true))
            Application().ShowException(e.what());
    }
}

void TForm1::ApplyLook() {
    SetColor(Look().mainWindow);
    ColourFixedCells();
    Image1->SetVisible(Look().backgroundPictures);
    Memo1->SetMarks(MatchMarks(Memo1->Text(), uGlobal::HitPatterns));
    Repaint();
}

void TForm1::SettingsButtonClick() {
    OpenChild(*FSettings);
    ApplyLook();
}

// ---- Start-up and the hidden buttons ----

void TForm1::LoadPicture(TImage& image, const char* fileName) {
    TPicture picture;
    if (LoadDecoration(picture, fileName))
        image.SetPicture(picture);
}

void TForm1::FormActivate() {
    ColourFixedCells();
    ++uGlobal::ActivationCount;
    Label8->SetCaption(std::to_string(uGlobal::ActivationCount));
    for (TLabel* l : {Label1, Label2, Label3, Label4, Label5, Label6})
        l->SetCaption(" ");
    B_Biblia->SetEnabled(false);
    Memo1->Clear();

    if (uGlobal::ActivationCount == 1)
        RestorePlace();
    // The counter waits for the stored count below; nothing is painted in between.
    ShowCurrentSentence("TEM");
    Texto_B.Refresh();
    DBGrid1->Repaint();
    DBGrid1->SetFocus();
    uGlobal::ResultCount = veloria::store::StoredResultCount(Configura, Texto_B);
    ShowCounter();
    browser_.SetRowCount(uGlobal::ResultCount);
    ShowSearchLine();

    // Today's tip is drawn whether or not the user wants to see it at start.
    if (veloria::settings::TipAtStart())
        FFrase->ShowModal();
    else
        FFrase->DailyTipDraw();
    LoadPicture(*Image1, "Fondo01.bmp");
    LoadPicture(*Image2, "Logotipo01.bmp");
    Button1->Click();
}

std::array<TdxButton*, 19> TForm1::CommandButtons() {
    return {Boton1,          dxButton1,     dxButton2,    dxButton3,     dxButton4,
            dxButton5,       dxButton6,     dxButton7,    dxButton8,     dxButton9,
            dxButton10,      dxButton15,    B_Biblia,     ReadButton,    BookmarkButton,
            BookmarksButton, HistoryButton, ExportButton, SettingsButton};
}

void TForm1::Button1Click() {
    // The windows the commands open are made after the first paint of the start; the commands
    // come on only once they exist.
    Application().FinishStarting();
    LoadPicture(*Image2, "Logotipo01.bmp");
    for (TdxButton* b : CommandButtons()) {
        if (b != B_Biblia)
            b->SetEnabled(true);
    }
    if (Label8->Caption() == "1")
        B_Biblia->SetEnabled(true);
    if (uGlobal::ResultCount == 0)
        B_Biblia->SetEnabled(false);
}

void TForm1::Button4Click() {
    for (TLabel* l : {Label1, Label2, Label3, Label4, Label5, Label6})
        l->SetCaption(" ");
    B_Biblia->SetEnabled(false);
    Memo1->SetText("  ");
    Texto_B.First();
    ShowCurrentSentence();
    Texto_B.Refresh();
    uGlobal::ResultCount = veloria::store::StoredResultCount(Configura, Texto_B);
    ShowCounter();
    browser_.SetRowCount(uGlobal::ResultCount);
    ShowSearchLine();
    Repaint();
    DBGrid1->SetFocus();
}

void TForm1::Timer1Timer() {
    if (SplashHandle)
        SplashHandle->Close();
}

// ---- Moving through the hits ----

void TForm1::dxButton7Click() {
    browser_.First();
}
void TForm1::dxButton8Click() {
    browser_.Prior();
}
void TForm1::dxButton9Click() {
    browser_.Next();
}
void TForm1::dxButton15Click() {
    browser_.Last();
}

// ---- Copy, paragraph and the windows ----

Table* TForm1::FindCurrentSentence() {
    return Volumes.FindSentence(Texto_B.FieldView("Libro"), Texto_B.FieldView("Numero"));
}

void TForm1::dxButton4Click() {
    CopySentence(*Memo1, FindCurrentSentence());
    DBGrid1->SetFocus();
}

void TForm1::BuildParagraphText() {
    std::string& text = uGlobal::ParagraphText;
    text = " ";
    std::size_t& start = uGlobal::ParagraphSentenceStart;
    std::size_t& length = uGlobal::ParagraphSentenceLength;
    start = length = 0;
    Table* book = FindCurrentSentence();
    if (!book)
        return;
    const std::string numero = book->FieldAsString("Numero");
    const std::string paragraph = book->FieldAsString("Parrafo2");
    while (!book->Bof()) {
        book->Prior();
        if (book->FieldAsString("Parrafo2") != paragraph)
            break;
    }
    if (!book->Bof())
        book->Next();
    // Next on the last row sets Eof and stays there: the last sentence of a volume is joined once.
    while (book->FieldAsString("Parrafo2") == paragraph) {
        // Trimming the text so far drops its leading blank once, moving the current sentence.
        std::size_t blanks = 0;
        while (blanks < text.size() && static_cast<unsigned char>(text[blanks]) <= 32)
            ++blanks;
        start -= std::min(start, blanks);
        const std::string joined = Trim(text);
        const std::string sentence = Trim(book->FieldAsString("Umemo"));
        text = joined + " " + sentence;
        if (book->FieldAsString("Numero") == numero) {
            start = text.size() - sentence.size();
            length = sentence.size();
        }
        book->Next();
        if (book->Eof())
            break;
    }
}

void TForm1::OpenChild(TForm& child, const std::function<void()>& prepare, bool afterSearch) {
    LoadPicture(*Image2, "Logotipo02.bmp");
    Label8->SetCaption(B_Biblia->Enabled() ? "1" : "0");
    for (TdxButton* b : CommandButtons())
        b->SetEnabled(false);
    if (prepare)
        prepare();
    child.ShowModal();
    Button1->Click();
    if (afterSearch && uGlobal::SearchDone == 1) {
        Button4->Click();
    } else {
        if (afterSearch)
            ShowSearchLine();
        DBGrid1->SetFocus();
    }
}

void TForm1::Boton1Click() {
    OpenChild(
        *FBuscar,
        [] {
            uGlobal::SearchDone = 0;
            uGlobal::SearchRefused = 0;
        },
        true);
}

void TForm1::dxButton1Click() {
    OpenChild(*FGlosario);
}
void TForm1::dxButton2Click() {
    OpenChild(*FBC);
}
void TForm1::dxButton10Click() {
    OpenChild(*FCurBi);
}

void TForm1::B_BibliaClick() {
    OpenChild(*FBiblia, [this] {
        Table* book = FindCurrentSentence();
        uGlobal::BibleRefList = (book ? Trim(book->FieldAsString("Biblia")) : std::string()) + "/";
    });
}

void TForm1::dxButton6Click() {
    OpenChild(*FDesplegar, [this] { BuildParagraphText(); });
}

void TForm1::dxButton5Click() {
    ShellOpen("Help.htm", [](const std::string& file) {
        Application().MessageBox(
            "No program could open the help page. Open this file by hand:\n" + file,
            Application().Title());
    });
}

void TForm1::dxButton3Click() {
    Close();
}

// The reading window is no child of this one: it opens beside it and follows its hits, and the
// commands stay as they are (see reader/ReadingWindow.h).
void TForm1::ReadButtonClick() {
    VolumeTables::Entry* v = uGlobal::ResultCount > 0 ? CurrentVolume() : nullptr;
    veloria::reader::Reader->ReadFrom(*this, v ? v->volume.code : 0,
                                      v ? Texto_B.FieldView("Numero") : std::string_view(),
                                      uGlobal::HitPatterns);
    DBGrid1->SetFocus();
}

// ---- The user's bookmarks ----

void TForm1::ShowMark() {
    const bool hit = uGlobal::ResultCount > 0;
    MarkLabel->SetCaption(
        hit ? veloria::notes::MarkOf(Texto_B.FieldView("Libro"), Texto_B.FieldView("Numero"))
            : std::string());
}

void TForm1::BookmarkButtonClick() {
    auto dialog = uGlobal::ResultCount > 0 ? veloria::notes::MakeNoteDialog(
                                                 Texto_B.FieldView("Libro"),
                                                 Texto_B.FieldView("Numero"), FindCurrentSentence())
                                           : nullptr;
    if (dialog)
        OpenChild(*dialog);
    else
        DBGrid1->SetFocus();
}

void TForm1::BookmarksButtonClick() {
    if (veloria::notes::Bookmarks)
        veloria::notes::Bookmarks->Open();
}

// ---- Taking the hits out ----

veloria::exporting::Takeout TForm1::HitsTakeout(std::span<const int> rows) {
    using namespace veloria;
    // The search that made the hits, as the search line says it: never a search refused since.
    study::SearchSpec search;
    search.query = uGlobal::HitQuery;
    search.mode =
        uGlobal::HitExactPhrase ? study::SearchMode::ExactPhrase : study::SearchMode::AnyOrder;
    search.exactWord = uGlobal::HitExactWord == 1;
    for (std::size_t i = 0; i < search.volumes.size(); ++i)
        search.volumes[i] = uGlobal::HitVolumes[i] == 1;
    exporting::Takeout takeout;
    takeout.title = exporting::SearchTitle(search, uGlobal::ResultCount);
    if (!rows.empty())
        takeout.title.push_back("Exported: the " + std::to_string(rows.size()) + " hits selected");
    // Handles of its own: the window's stay on the current hit.
    Table results{"Texto_B.DB"};
    VolumeTables volumes{VolumeTables::Headings::With};
    takeout.passages = exporting::ResultPassages(results, uGlobal::ResultCount, volumes, rows);
    takeout.fileName = "veloria-search";
    return takeout;
}

void TForm1::ExportButtonClick() {
    const std::vector<int> rows =
        uGlobal::ResultCount > 0 ? DBGrid1->SelectedRows() : std::vector<int>();
    veloria::exporting::ExportDialog dialog(
        "Hits", [this] { return HitsTakeout(); }, uGlobal::ResultCount,
        [this, rows] { return HitsTakeout(rows); }, int(rows.size()));
    OpenChild(dialog);
}

// ---- The searches run before ----

void TForm1::HistoryButtonClick() {
    veloria::history::HistoryWindow window;
    OpenChild(window);
    if (const auto& search = window.Chosen()) {
        // The search dialog opens filled in, and Ok is pressed as soon as it shows.
        FBuscar->Offer(*search);
        FBuscar->AfterShowing([] { FBuscar->dxButton2Click(); });
        Boton1Click();
    }
}
