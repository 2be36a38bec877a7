// The reading window on the tenfold sample corpus (scripts/sample-data --scale 10). Every figure is
// printed beside a baseline measured in the same run:
//   - opening the reader at a sentence (the command the main window's "&Read" runs, then the text
//     painted at once), for 300 sentences drawn at random from every volume: the slowest and the
//     median against one frame at 60 Hz;
//   - a jump to a reference typed in the reference box (found, the text painted), for 300
//     references drawn at random: the slowest and the median against one frame;
//   - Page Down from the start of the largest volume to its end, each step painted: the slowest
//     step against one frame, and the whole walk;
//   - the resident memory of the program with the reader open on the largest volume (after the
//     walk, the contents of every volume gathered) against the program before it was opened.
// Times are processor time of the one thread everything runs on.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Program.h"
#include "bench/Figures.h"
#include "bench/SampleData.h"
#include "bench/WindowBench.h"
#include "reader/ReadingWindow.h"
#include "reading/Principal.h"
#include "store/Schema.h"
#include "store/Table.h"
#include "store/Text.h"
#include "tests/store/TempDir.h"
#include "tip/PaFrase.h"
#include "widgets/Application.h"
#include "widgets/Testing.h"

namespace {

using namespace veloria;
using bench::CpuMs;

constexpr double kFrameMs = 1e3 / 60;
constexpr int kSamples = 300;

// Resident memory of this process, in MB.
double ResidentMb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct Sample {
    char code;
    std::string numero, reference;
};

struct Times {
    std::vector<double> ms;
    double Slowest() const { return *std::max_element(ms.begin(), ms.end()); }
    double Median() const { return bench::MedianOf(ms); }
};

}  // namespace

int main(int argc, char** argv) {
    std::optional<QApplication> app;
    if (!bench::StartWindows(argc, argv, app))
        return 1;

    const store::testing::TempDir dir;
    std::printf("building the tenfold sample corpus...\n");
    std::fflush(stdout);
    bench::BuildSample(dir.path(), 10);
    bench::AddProgramFiles(dir.path());
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);

    // Sentences drawn from every volume, in proportion to their size.
    std::vector<Sample> all;
    char largest = 'T';
    int largestRows = 0;
    for (const store::Volume& volume : store::Volumes()) {
        const store::Table t(volume.volumeTable);
        const int numero = store::FieldIndex(t.Def(), "Numero");
        const int referencia = store::FieldIndex(t.Def(), "Referencia");
        for (int r = 1; r <= t.RowCount(); ++r)
            all.push_back(
                {volume.code, t.CellAsString(r, numero), store::Trim(t.CellView(r, referencia))});
        if (t.RowCount() > largestRows) {
            largestRows = t.RowCount();
            largest = volume.code;
        }
    }
    std::mt19937 random(19);
    std::vector<Sample> samples;
    std::sample(all.begin(), all.end(), std::back_inserter(samples), kSamples, random);
    std::shuffle(samples.begin(), samples.end(), random);

    bench::ShowProgram();
    const double before = ResidentMb();
    reader::ReadingWindow& r = *reader::Reader;
    auto painted = [&] { r.Text->viewport()->repaint(); };

    // The first opening maps the window: apart.
    double start = CpuMs();
    r.OpenAt({samples[0].code, std::stoll(samples[0].numero)});
    painted();
    const double first = CpuMs() - start;
    widgets::testing::ProcessEvents();

    Times open;
    for (const Sample& s : samples) {
        start = CpuMs();
        if (!r.OpenAt({s.code, std::stoll(s.numero)}))
            throw std::runtime_error("no sentence " + s.numero);
        painted();
        open.ms.push_back(CpuMs() - start);
        widgets::testing::ProcessEvents();
    }

    Times jump;
    std::shuffle(samples.begin(), samples.end(), random);
    for (const Sample& s : samples) {
        r.GoToBox->SetText(s.reference);
        start = CpuMs();
        r.GoToReference();
        painted();
        jump.ms.push_back(CpuMs() - start);
        const auto at = r.CurrentSentence();
        if (!at || at->code != s.code)
            throw std::runtime_error("the reference " + s.reference + " led elsewhere");
        widgets::testing::ProcessEvents();
    }

    // Page Down through the largest volume.
    r.OpenAt({largest, 1});
    r.GoToStart();
    painted();
    Times steps;
    const double walkStart = CpuMs();
    int lastTop = -1, still = 0;
    while (still < 2) {
        start = CpuMs();
        r.Text->PageStep(true);
        painted();
        steps.ms.push_back(CpuMs() - start);
        const int top = r.Text->TopRow();
        still = top == lastTop ? still + 1 : 0;
        lastTop = top;
    }
    const double walk = CpuMs() - walkStart;
    if (r.Text->CurrentRow() != largestRows)
        throw std::runtime_error("the walk did not reach the end of the volume");
    r.ToggleContents();
    r.ToggleContents();
    for (int v = 0; v < int(store::kVolumeCount); ++v)
        r.Contents->ShowPlace(v, 1);
    widgets::testing::ProcessEvents();
    const double after = ResidentMb();

    bench::Figures figures;
    std::printf("\n%zu sentences in the five volumes, %d in the largest (%c)\n", all.size(),
                largestRows, largest);
    figures.Line("the first opening, the window mapped", first, kFrameMs, "one frame at 60 Hz", 0,
                 "ms");
    figures.Line("opening at a sentence, the slowest of 300", open.Slowest(), kFrameMs,
                 "one frame at 60 Hz", 1.0, "ms");
    figures.Line("opening at a sentence, the median", open.Median(), kFrameMs, "one frame at 60 Hz",
                 0, "ms");
    figures.Line("a jump to a reference, the slowest of 300", jump.Slowest(), kFrameMs,
                 "one frame at 60 Hz", 1.0, "ms");
    figures.Line("a jump to a reference, the median", jump.Median(), kFrameMs, "one frame at 60 Hz",
                 0, "ms");
    figures.Line("Page Down through the largest volume, the slowest of " +
                     std::to_string(steps.ms.size()) + " steps",
                 steps.Slowest(), kFrameMs, "one frame at 60 Hz", 1.0, "ms");
    figures.Line("Page Down, the median step", steps.Median(), kFrameMs, "one frame at 60 Hz", 0,
                 "ms");
    std::printf("[info] the whole walk: %.0f ms\n", walk);
    figures.Line("resident memory with the reader open on the largest volume", after, before,
                 "before it was opened", 1.25, "MB");

    widgets::Application().DestroyForms();
    std::filesystem::current_path(home);
    return figures.Over() == 0 ? 0 : 1;
}
