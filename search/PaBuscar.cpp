#include "search/PaBuscar.h"

#include <stdexcept>

#include "app/uGlobal.h"
#include "history/History.h"
#include "search/PaBarra.h"
#include "search/Query.h"
#include "search/SearchEngine.h"
#include "study/Study.h"
#include "widgets/HintWindow.h"
#include "widgets/Look.h"
#include "widgets/Make.h"
#include "widgets/WindowParts.h"

using namespace veloria::widgets;
using veloria::search::RunSearch;
using veloria::search::SearchOutcome;
using veloria::search::SearchRequest;
using veloria::search::SearchResult;
using veloria::search::SearchState;
using veloria::search::SearchTables;

TFBuscar* FBuscar = nullptr;

namespace {

const TFont kArial15{"Arial", 15};
const TFont kArial13{"Arial", 13};

TCheckBox* MakeCheckBox(QWidget* parent, const char* name, int left, int top, int width,
                        int tabOrder, const char* caption, bool checked) {
    auto* box = Make<TCheckBox>(parent, name, left, top, width, 17, tabOrder);
    box->SetFont(kArial15);
    box->SetCaption(caption);
    box->SetChecked(checked);
    return box;
}

// The search's own values stay process-wide between runs, as the search sets them.
// The search the hits now come from, for the main window to say.
void KeepHitSearch(const SearchRequest& request) {
    uGlobal::HitSearchKnown = 1;
    uGlobal::HitQuery = request.wordBoxText;
    uGlobal::HitExactPhrase = request.exactPhrase ? 1 : 0;
    uGlobal::HitExactWord = request.exactWord ? 1 : 0;
    for (std::size_t v = 0; v < request.volumes.size(); ++v)
        uGlobal::HitVolumes[v] = request.volumes[v] ? 1 : 0;
}

// Kept in the user's store, for the place at the next start and for the history. The search
// itself is done and shown whatever the store answers; a store that cannot keep it says so.
void RememberSearch(const SearchRequest& request, std::int32_t hitCount) {
    veloria::study::StudyStore* study = veloria::study::Study();
    if (!study)
        return;
    veloria::study::SearchSpec search;
    search.query = request.wordBoxText;
    search.mode = request.exactPhrase ? veloria::study::SearchMode::ExactPhrase
                                      : veloria::study::SearchMode::AnyOrder;
    search.exactWord = request.exactWord;
    search.volumes = request.volumes;
    try {
        study->RecordSearch(search, hitCount);
    } catch (const std::exception& e) {
        Application().ShowException(e.what());
    }
}

void KeepSearchState(const SearchState& state) {
    uGlobal::QueryText = state.queryText;
    uGlobal::PhrasePattern = state.phrasePattern;
    uGlobal::ExactWordMode = state.exactWord ? 1 : 0;
    uGlobal::SearchInText = state.volumes[0] ? 1 : 0;
    uGlobal::SearchInWorkbook = state.volumes[1] ? 1 : 0;
    uGlobal::SearchInManual = state.volumes[2] ? 1 : 0;
    uGlobal::SearchInPsychotherapy = state.volumes[3] ? 1 : 0;
    uGlobal::SearchInSongOfPrayer = state.volumes[4] ? 1 : 0;
}

}  // namespace

TFBuscar::TFBuscar() : TForm("FBuscar") {
    SetCaption("Search");
    SetBorderStyle(bsDialog);
    SetBorderIcons({biSystemMenu});
    SetOuterSize(529, 294);
    SetLeftTop(154, 157);
    SetShowHint(true);
    SetFont({"MS Sans Serif", 11});
    // The layout's colour; the activation replaces it before the user sees the dialog.
    SetColor(clSilver);
    OnActivate = [this] { FormActivate(); };

    Label1 = Make<TLabel>(this, "Label1", 16, 12, 95, 17);
    Label1->SetTransparent(true);
    Label1->SetFont(kArial15);
    Label1->SetCaption("Word / Phrase");
    // Stands under the P of "Word / Phrase", so that P reads as the access key it is (Button3's).
    Label2 = Make<TLabel>(this, "Label2", 64, 16, 6, 13);
    Label2->SetTransparent(true);
    Label2->SetCaption("_");

    Edit1 = Make<TEdit>(this, "Edit1", 32, 36, 385, 25, 0);
    Edit1->SetFont(kArial15);
    Edit1->SetCharCase(ecUpperCase);
    Edit1->OnKeyPress = [this](char& key) { Edit1KeyPress(key); };
    Edit1->SetHint("Down: your earlier searches");
    Edit1->OnKeyDown = [this](WORD& key, TShiftState) {
        if (key == VK_DOWN) {
            key = 0;
            OfferHistory();
        }
    };

    dxButton2 = MakeFlatButton(this, {"dxButton2", 432, 95, 75, 24, 1},
                               {"&Ok     ", "Search Now", "ok.png"}, [this] { dxButton2Click(); });
    dxButton1 = MakeFlatButton(this, {"dxButton1", 432, 137, 75, 24, 2},
                               {"&Cancel", "Close", "cancel.png"}, [this] { dxButton1Click(); });
    dxButton1->SetCancel(true);
    SetButtonFont(*this, kArial13);

    // The group boxes only frame: the check boxes over them belong to the window.
    GroupBox1 = Make<TGroupBox>(this, "GroupBox1", 16, 75, 369, 98);
    GroupBox1->SetTabOrder(8);
    GroupBox1->SetFont(kArial15);
    GroupBox1->SetCaption("Search in: ");
    ChTexto = MakeCheckBox(this, "ChTexto", 32, 99, 177, 3, "&Text", true);
    ChEjercicios = MakeCheckBox(this, "ChEjercicios", 32, 123, 185, 4, "&Workbook", true);
    ChMaestro = MakeCheckBox(this, "ChMaestro", 32, 148, 155, 5, "&Manual for Teachers", true);
    ChPsico = MakeCheckBox(this, "ChPsico", 204, 99, 150, 9, "Psychother&apy", true);
    ChOracion = MakeCheckBox(this, "ChOracion", 204, 123, 173, 10, "The &Song Of Prayer", true);

    GroupBox2 = Make<TGroupBox>(this, "GroupBox2", 16, 179, 369, 78);
    GroupBox2->SetTabOrder(11);
    GroupBox2->SetFont(kArial15);
    GroupBox2->SetCaption("Search Words in: ");
    ChPalabraOr = Make<TRadioButton>(GroupBox2, "ChPalabraOr", 16, 24, 137, 17, 0);
    ChPalabraOr->SetFont(kArial15);
    ChPalabraOr->SetCaption("Any O&rder");
    ChPalabraOr->SetChecked(true);
    ChFraseE = Make<TRadioButton>(GroupBox2, "ChFraseE", 16, 48, 146, 17, 1);
    ChFraseE->SetFont(kArial15);
    ChFraseE->SetCaption("Exact P&hrase");
    ChPalabraOr->OnClick = [this] { ChPalabraOrClick(); };
    ChFraseE->OnClick = [this] { ChFraseEClick(); };

    ChPalabraEx = MakeCheckBox(this, "ChPalabraEx", 204, 203, 121, 6, "&Exact Word", false);

    // Below the visible part of the window: only its access key, Alt+P, is ever used.
    Button3 = Make<TButton>(this, "Button3", 336, 288, 75, 25, 7);
    Button3->SetCaption("&Prase");
    Button3->OnClick = [this] { Button3Click(); };
}

void TFBuscar::FormActivate() {
    SetColor(Look().searchDialog);
    HintWindow().SetArrowBackgroundColor(Look().fixedCells);
    Edit1->Clear();
    if (offered_) {
        Apply(*offered_);
        offered_.reset();
    }
    Edit1->SetFocus();
}

void TFBuscar::OfferHistory() {
    if (const auto search = veloria::history::ChooseFromHistory(*Edit1))
        Apply(*search);
    Edit1->SetFocus();
}

void TFBuscar::Apply(const veloria::study::SearchSpec& search) {
    Edit1->SetText(search.query);
    if (search.mode == veloria::study::SearchMode::ExactPhrase) {
        ChFraseE->SetChecked(true);
        ChFraseEClick();
    } else {
        ChPalabraOr->SetChecked(true);
        ChPalabraOrClick();
        ChPalabraEx->SetChecked(search.exactWord);
    }
    TCheckBox* const boxes[] = {ChTexto, ChEjercicios, ChMaestro, ChPsico, ChOracion};
    for (std::size_t i = 0; i < std::size(boxes); ++i)
        boxes[i]->SetChecked(search.volumes[i]);
}

void TFBuscar::Edit1KeyPress(char& key) {
    if (key == '\r') {
        key = 0;
        SelectNext(Edit1, true);
    }
}

// A failure of the table engine leaves this handler with the dialog open (the progress window
// already hidden), so that the user can try again or cancel.
void TFBuscar::dxButton2Click() {
    if (!PBarra)
        throw std::logic_error("The progress window has not been created");
    const SearchRequest request{Edit1->Text(),
                                ChPalabraEx->Checked(),
                                ChFraseE->Checked(),
                                {ChTexto->Checked(), ChEjercicios->Checked(), ChMaestro->Checked(),
                                 ChPsico->Checked(), ChOracion->Checked()}};
    const SearchTables tables{Texto_B, Volumes.Books(), Configura};
    const SearchResult found = RunSearch(request, tables, *PBarra);
    KeepSearchState(found.state);
    if (found.outcome == SearchOutcome::Completed) {
        uGlobal::ResultCount = found.count;
        uGlobal::HitPatterns = found.patterns;
        uGlobal::SearchDone = 1;
        uGlobal::SearchRefused = 0;
        KeepHitSearch(request);
    } else {
        uGlobal::SearchRefused = veloria::search::IsBlankQuery(request.wordBoxText) ? 1 : 2;
    }
    Close();
    if (found.outcome == SearchOutcome::Completed)
        RememberSearch(request, found.count);
}

void TFBuscar::dxButton1Click() {
    Close();
}

void TFBuscar::Button3Click() {
    Edit1->SetFocus();
}

void TFBuscar::ChPalabraOrClick() {
    if (ChPalabraOr->Checked()) {
        ChPalabraEx->SetChecked(false);
        ChPalabraEx->SetEnabled(true);
    }
}

void TFBuscar::ChFraseEClick() {
    if (ChFraseE->Checked()) {
        ChPalabraEx->SetChecked(true);
        ChPalabraEx->SetEnabled(false);
    }
}
