#include "app/StartPreparation.h"

#include <filesystem>
#include <utility>

#include "app/PaPresentacion.h"
#include "reading/Principal.h"
#include "store/TableFile.h"
#include "study/Study.h"
#include "tip/PaFrase.h"
#include "widgets/QtText.h"

namespace veloria::app {

StartPreparation::StartPreparation(Where where) {
    if (where == Where::Here) {
        PrepareFonts();
        PrepareTables();
        TFFrase::DecodeAhead();
    } else {
        fonts_ = std::thread([this] {
            PrepareFonts();
            // Wanted only at the tip's first paint: while the main window is being made, once the
            // work with the tables is done, not before, when the processors are wanted for all
            // that must be done by then.
            ready_.wait();
            TFFrase::DecodeAhead();
        });
        tables_ = std::thread([this] { PrepareTables(); });
    }
}

StartPreparation::~StartPreparation() {
    Release();
}

void StartPreparation::PrepareFonts() noexcept {
    // The splash is painted first, while the rest runs.
    TSplashForm::DecodeAhead();
    widgets::ReadFontConfiguration();
    // Those of the main window and the tip.
    widgets::MatchFontsAhead({"MS Sans Serif", "Times New Roman", "Arial"});
    ready_.count_down();
}

void StartPreparation::PrepareTables() noexcept {
    try {
        // The program's own working tables, when missing, are made again before any window
        // opens them. The user's store beside the tables: the windows read the settings and the
        // place from it as they are made. The check of its every page, which grows with the
        // user's notes, waits for the first paint.
        store::RecreateMissingWorkingTables({});
        studyMessage_ = study::OpenStudy(std::filesystem::current_path(), study::Check::Later);
    } catch (...) {
        failure_ = std::current_exception();
        ready_.count_down();
        return;
    }
    for (const auto readAhead : {&TForm1::ReadAhead, &TFFrase::ReadAhead}) {
        try {
            readAhead(kept_);
        } catch (const std::exception&) {
            // Left for the window: making it meets the same failure and says it as it always has.
        }
    }
    ready_.count_down();
}

std::string StartPreparation::Finish() {
    ready_.wait();
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
    return std::exchange(studyMessage_, {});
}

void StartPreparation::Release() {
    for (std::thread* t : {&fonts_, &tables_}) {
        if (t->joinable())
            t->join();
    }
    kept_.clear();
}

}  // namespace veloria::app
