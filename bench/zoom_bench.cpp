// The program-wide zoom and the user's store at start, on the sample corpus. Every figure is
// printed beside a baseline measured in the same run:
//   - a zoom step of the main window (every control placed and lettered anew, the window painted
//     whole), up and down the ladder from 80 % to 300 %: the slowest and the median against one
//     frame at 60 Hz;
//   - the start of the program (its windows made, the main window shown and active) with the
//     user's store holding settings and the place on hit 1,000 of a search of 2,000 hits, against
//     the same start with a store that keeps nothing yet, as the program started before it kept
//     them.
// Times are processor time of the one thread everything runs on.
#include <stdlib.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Program.h"
#include "app/uGlobal.h"
#include "bench/Figures.h"
#include "bench/SampleData.h"
#include "bench/WindowBench.h"
#include "reading/Principal.h"
#include "store/Table.h"
#include "study/Study.h"
#include "tests/store/TempDir.h"
#include "tip/PaFrase.h"
#include "widgets/Application.h"
#include "widgets/Testing.h"
#include "widgets/Zoom.h"

namespace {

using namespace veloria;
using bench::CpuMs;

constexpr double kFrameMs = 1e3 / 60;
constexpr int kStarts = 7;
constexpr int kHits = 2000;

// Results of an earlier search: kHits rows of the Text, with their count.
void WriteHits() {
    store::Table text("LTexto.DB");
    store::Table results("Texto_B.DB");
    store::Table config("Configura.db");
    results.EmptyTable();
    text.First();
    for (int i = 0; i < kHits; ++i) {
        if (text.Eof())
            text.First();
        results.Append();
        results.SetField("Referencia", text.FieldAsString("Referencia"));
        results.SetField("Numero", text.FieldAsString("Numero"));
        results.SetField("Pensamiento", text.FieldAsString("Umemo").substr(0, 80));
        results.SetField("Libro", "T");
        results.Post();
        text.Next();
    }
    config.First();
    config.Edit();
    config.SetField("Cantidad", std::int64_t(kHits));
    config.Post();
}

// One start of the program, ended again; its processor time.
double Start() {
    const double start = CpuMs();
    bench::ShowProgram();
    const double ms = CpuMs() - start;
    widgets::Application().DestroyForms();
    study::CloseStudy();
    Form1 = nullptr;
    // As a new process starts.
    uGlobal::ActivationCount = 0;
    uGlobal::ResultCount = 0;
    uGlobal::HitSearchKnown = 0;
    uGlobal::HitPatterns.clear();
    return ms;
}

double Fastest(int runs) {
    double best = 1e12;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, Start());
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<QApplication> app;
    if (!bench::StartWindows(argc, argv, app))
        return 1;

    const store::testing::TempDir dir;
    bench::BuildSample(dir.path());
    bench::AddProgramFiles(dir.path());
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    WriteHits();

    // The store of a user who searched and left the hits at the middle one.
    {
        study::OpenStudy(dir.path());
        study::SearchSpec search;
        search.query = "THE";
        search.volumes = {true, false, false, false, false};
        study::Study()->RecordSearch(search, kHits);
        study::Study()->SetCurrentRow(kHits / 2);
        study::Study()->SetTipAtStart(true);
        study::CloseStudy();
    }
    Start();  // the files cached, the fonts loaded
    const double withStore = Fastest(kStarts);
    // A store that keeps nothing yet: the start as it was before the settings and the place
    // were kept.
    const auto aside = [&](const char* from, const char* to) {
        for (const char* side : {"", "-wal", "-shm"})
            if (std::filesystem::exists(dir.path() / (std::string(from) + side)))
                std::filesystem::rename(dir.path() / (std::string(from) + side),
                                        dir.path() / (std::string(to) + side));
    };
    aside("Study.db", "Kept.db");
    Start();
    const double withoutPlace = Fastest(kStarts);
    for (const char* side : {"", "-wal", "-shm"})
        std::filesystem::remove(dir.path() / (std::string("Study.db") + side));
    aside("Kept.db", "Study.db");

    bench::ShowProgram();
    if (Form1->Texto_B.RecNo() != kHits / 2) {
        const auto last = study::Study() ? study::Study()->LastSearch() : std::nullopt;
        std::fprintf(stderr, "row %d, remembered %d of %d\n", Form1->Texto_B.RecNo(),
                     last ? last->currentRow : -1, last ? last->hitCount : -1);
        throw std::runtime_error("the start did not come back on the hit left");
    }
    std::vector<double> steps;
    for (int round = 0; round < 5; ++round) {
        for (int direction : {1, -1}) {
            for (int z = widgets::ZoomPercent();;) {
                const int next = widgets::NextZoomStep(z, direction);
                if (next == z)
                    break;
                const double start = CpuMs();
                widgets::SetZoomPercent(next);
                Form1->repaint();
                steps.push_back(CpuMs() - start);
                widgets::testing::ProcessEvents();
                z = next;
            }
        }
    }
    widgets::SetZoomPercent(widgets::kZoomDefault);

    bench::Figures figures;
    std::printf("\n");
    figures.Line(
        "a zoom step of the main window, painted, the slowest of " + std::to_string(steps.size()),
        *std::max_element(steps.begin(), steps.end()), kFrameMs, "one frame at 60 Hz", 1.0, "ms");
    figures.Line("a zoom step, the median", bench::MedianOf(steps), kFrameMs, "one frame at 60 Hz",
                 0, "ms");
    figures.Line("start-up with the settings and the place on hit 1,000 of 2,000 kept", withStore,
                 withoutPlace, "with a store that keeps nothing yet", 1.10, "ms");

    widgets::Application().DestroyForms();
    study::CloseStudy();
    std::filesystem::current_path(home);
    return figures.Over() == 0 ? 0 : 1;
}
