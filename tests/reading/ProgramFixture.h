#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/Program.h"
#include "app/uGlobal.h"
#include "bible/PABVeloria.h"
#include "bible/PaBc.h"
#include "bible/PaBiblia.h"
#include "bible/PaCB.h"
#include "glossary/PaGlosario.h"
#include "notes/Bookmarking.h"
#include "notes/BookmarksWindow.h"
#include "reader/ReadingWindow.h"
#include "reading/PaDesplegar.h"
#include "reading/Principal.h"
#include "search/PaBarra.h"
#include "search/PaBuscar.h"
#include "settings/Settings.h"
#include "store/SearchForm.h"
#include "study/Study.h"
#include "tests/store/TempDir.h"
#include "tip/PaFrase.h"
#include "widgets/Application.h"
#include "widgets/Look.h"
#include "widgets/Testing.h"
#include "widgets/Zoom.h"

// The whole program on a small corpus of its own, in a fresh data directory. Each test starts the
// program anew and ends it: its windows are destroyed and the process-wide values set back to
// where the program starts, so that tests may run in one process, in any order.
namespace veloria::test {

using Rows = std::vector<std::vector<std::string>>;

// A volume row: Numero, Umemo, Referencia, Pagina, Biblia, Num_I, Parrafo2, and the search form
// the corpus builder would give it.
inline std::vector<std::string> Sentence(std::string numero, std::string umemo,
                                         std::string referencia, std::string pagina,
                                         std::string biblia, std::string numI,
                                         std::string parrafo) {
    const auto form = store::SplitSearchForm(store::SearchForm(umemo)).value();
    return {numero,  umemo,   referencia, pagina,  biblia, numI,
            parrafo, form[0], form[1],    form[2], form[3]};
}

// The corpus: six sentences of the Text in three paragraphs (one of a single sentence at the first
// row, one running to the last row), one sentence each of the Workbook, Psychotherapy and the Song
// of Prayer, a sentence of the Manual and one of the Clarification.
inline const Rows kText = {
    Sentence("1", "First sentence of the text.", "  T-1.1  ", "1", "", "1", "1"),
    Sentence("2", "Second sentence.", "T-1.2", "1", "2/3", "1", "2"),
    Sentence("3", "  Third sentence.  ", "T-1.3", "2", "", "1", "2"),
    Sentence("4", "Fourth.", "T-1.4", "2", "1", "1", "2"),
    Sentence("5", "Fifth.", "T-2.1", "3", "", "2", "3"),
    Sentence("6", "Sixth, the last of the volume.", "T-2.2", "3", "", "2", "3"),
};

// The main window's command buttons, B_Biblia aside.
inline std::vector<widgets::TdxButton*> Commands(TForm1& f) {
    return {f.Boton1,    f.dxButton1, f.dxButton2, f.dxButton3, f.dxButton4,  f.dxButton5,
            f.dxButton6, f.dxButton7, f.dxButton8, f.dxButton9, f.dxButton10, f.dxButton15};
}

class ProgramTest : public ::testing::Test {
  protected:
    ProgramTest() {
        using store::testing::WriteTable;
        const auto& d = dir_.path();
        WriteTable(d, "LTexto.DB", kText);
        WriteTable(d, "Indice_T.db",
                   {{"1", "Chapter One", "Section A"}, {"2", "Chapter Two", "Section B"}});
        WriteTable(d, "LEjercicio.DB",
                   {Sentence("1", "A workbook lesson.", "W-1", "7", "1", "1", "1")});
        WriteTable(d, "Indice_E.db", {{"1", "Lesson 1", "Part 1"}});
        WriteTable(d, "Maestro.DB",
                   {Sentence("1", "A manual sentence.", "M-1.1", "4", "", "1", "1"),
                    Sentence("2", "A clarification sentence.", "C-1.1", "9", "", "2", "2")});
        WriteTable(
            d, "Indice_M.db",
            {{"1", "MANUAL FOR TEACHERS", "Who are teachers"}, {"2", "CLARIFICATION", "Mind"}});
        WriteTable(d, "LPsico.DB",
                   {Sentence("1", "A psychotherapy sentence.", "P-1", "12", "   ", "1", "1")});
        WriteTable(d, "Indice_P.db", {{"1", "Psychotherapy", "Purpose"}});
        WriteTable(d, "LOracion.DB",
                   {Sentence("1", "A song sentence.", "S-1", "3", "1", "1", "1")});
        WriteTable(d, "Indice_S.db", {{"1", "Prayer", "True prayer"}});
        WriteTable(d, "Glosario.DB",
                   {{"Term", "TERM", "An#explanation.", "", "", "", "", "", "", ""}});
        std::vector<std::string> passage(20, "");
        passage[0] = "1";
        passage[1] = "John 1:1";
        passage[2] = "In the beginning";
        passage[3] = "In#the#beginning";
        WriteTable(d, "Biblia.DB", {passage});
        WriteTable(d, "VLBiblia.DB", {{"T", "2", "T-1.2", "Second sentence."}});
        WriteTable(d, "Frases.DB", {{"1", "A tip."}});
        WriteTable(d, "Texto2B.DB", {});
        WriteTable(d, "TBiblia.db", {});
        for (const char* picture :
             {"Fondo01.bmp", "Logotipo01.bmp", "Logotipo02.bmp", "BAbierto.bmp", "BCerrado.bmp"}) {
            std::filesystem::copy_file(
                std::filesystem::path(VELORIA_SOURCE_DIR) / "data/pictures" / picture, d / picture);
        }
        setenv("XDG_RUNTIME_DIR", d.c_str(), 1);
        std::filesystem::current_path(d);
        widgets::ForgetDecorationFailures();  // a session of its own
    }

    // The result rows of an earlier search (Referencia, Numero, Pensamiento, Libro) and the stored
    // count, as the program finds them when it starts.
    void SetResults(const Rows& rows, int cantidad) {
        store::testing::WriteTable(dir_.path(), "Texto_B.DB", rows);
        store::testing::WriteTable(dir_.path(), "Configura.db",
                                   {{std::to_string(cantidad), "", ""}});
    }
    // One result row per (book code, number) pair, with the count to match.
    void SetHits(const std::vector<std::pair<std::string, std::string>>& hits) {
        Rows rows;
        for (const auto& [libro, numero] : hits)
            rows.push_back({"ref", numero, "sentence", libro});
        SetResults(rows, int(rows.size()));
    }

    // Creates the windows and shows the main window as the message loop would, closing the tip of
    // the day that its activation shows.
    void Start() {
        if (!std::filesystem::exists(dir_.path() / "Configura.db"))
            SetResults({}, 0);
        app::CreateForms(nullptr);
        widgets::testing::WhenModal(*FFrase, [] { FFrase->Close(); });
        Form1->Show();
        widgets::testing::ProcessEvents();
    }

    // A search as a keyboard user runs it from the main window: Alt+S, the words, Enter twice.
    void SearchByKeys(std::string_view words) {
        widgets::testing::WhenModal(*FBuscar, [words] {
            widgets::testing::TypeText(*FBuscar, words);
            widgets::testing::KeyClick(*FBuscar, Qt::Key_Return);
            widgets::testing::KeyClick(*FBuscar, Qt::Key_Return);
        });
        widgets::testing::KeyClick(*Form1, Qt::Key_S, Qt::AltModifier);
    }

    ~ProgramTest() override {
        EndProgram();
        std::filesystem::current_path(home_);
    }

    // Ends the program as its process would end, leaving its data directory for a next start.
    void EndProgram() {
        widgets::Application().DestroyForms();
        study::CloseStudy();
        app::ForgetForms();
        notes::ForgetChangeActions();
        uGlobal::ResultCount = 0;
        uGlobal::SearchDone = 0;
        uGlobal::ActivationCount = 0;
        uGlobal::BibleRefList.clear();
        uGlobal::VerseRefList.clear();
        uGlobal::ParagraphText.clear();
        uGlobal::ParagraphSentenceStart = uGlobal::ParagraphSentenceLength = 0;
        uGlobal::HitPatterns.clear();
        uGlobal::QueryText.clear();
        uGlobal::PhrasePattern = "#";
        uGlobal::ExactWordMode = 0;
        uGlobal::SearchInText = uGlobal::SearchInWorkbook = uGlobal::SearchInManual = 0;
        uGlobal::SearchInPsychotherapy = uGlobal::SearchInSongOfPrayer = 0;
        uGlobal::HitSearchKnown = 0;
        uGlobal::HitQuery.clear();
        uGlobal::HitExactPhrase = uGlobal::HitExactWord = 0;
        uGlobal::HitVolumes = {};
        uGlobal::SearchRefused = 0;
        widgets::SetZoomChangedHook({});
        widgets::SetZoomPercent(widgets::kZoomDefault);
        widgets::SetLook(widgets::kStandardLook);
    }

    TForm1& F() { return *Form1; }
    const std::filesystem::path& Dir() const { return dir_.path(); }

    std::filesystem::path home_ = std::filesystem::current_path();
    store::testing::TempDir dir_;
};

}  // namespace veloria::test
