// The Paradox importer against the corpus builder on the same content: the sample corpus of the
// real size, once as its CSV sources and once written as Paradox tables by pxlib (memo files of
// whole blocks). Both make the same data directory; the import is printed as a ratio to the
// build measured in the same run, in wall-clock and in processor time (most of the wall-clock
// time is SQLite's syncing of the files it writes, the same for both).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

#include "tests/store/TempDir.h"
#include "tests/tools/ParadoxWriter.h"
#include "tools/CorpusBuilder.h"
#include "tools/ParadoxImport.h"
#include "tools/SampleCorpus.h"

namespace {

using namespace veloria;
namespace fs = std::filesystem;

double CpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

struct Best {
    double wallMs = 1e300, cpuMs = 1e300;
};
std::map<std::string, Best> best;

// One build or import into a folder of its own, timed as the user waits for it.
void Run(benchmark::State& state, const std::string& name, const fs::path& source,
         const fs::path& target, tools::BuildResult (*build)(const tools::BuildOptions&)) {
    tools::BuildOptions options;
    options.source = source;
    options.target = target;
    for (auto _ : state) {
        const auto wall = std::chrono::steady_clock::now();
        const double cpu = CpuMs();
        const tools::BuildResult result = build(options);
        const double cpuMs = CpuMs() - cpu;
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall)
                .count();
        if (!result.ok) {
            state.SkipWithError(result.summary.c_str());
            return;
        }
        Best& b = best[name];
        b.wallMs = std::min(b.wallMs, wallMs);
        b.cpuMs = std::min(b.cpuMs, cpuMs);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const store::testing::TempDir dir;
    const fs::path csv = dir.path() / "csv", px = dir.path() / "px";
    tools::WriteSampleCorpus(csv, {});
    tools::testing::WriteParadoxCorpus(csv, px);

    // Side by side, turn about, so that both see the same state of the machine.
    for (int round = 0; round < 5; ++round) {
        benchmark::RegisterBenchmark(("build-csv/" + std::to_string(round)).c_str(),
                                     [&](benchmark::State& s) {
                                         Run(s, "build", csv, dir.path() / "built",
                                             &tools::BuildCorpus);
                                     })
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("import-paradox/" + std::to_string(round)).c_str(),
                                     [&](benchmark::State& s) {
                                         Run(s, "import", px, dir.path() / "imported",
                                             &tools::ImportParadox);
                                     })
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const auto build = best.find("build"), import = best.find("import");
    if (build == best.end() || import == best.end())
        return 0;
    const double wall = import->second.wallMs / build->second.wallMs;
    const double cpu = import->second.cpuMs / build->second.cpuMs;
    // Reading binary tables is no more work than parsing CSV; twice the builder's time would
    // mean the reader does something wrong.
    constexpr double kBound = 2.0;
    std::printf(
        "\n[%s] import of the sample corpus's Paradox tables: %.0f ms vs %.0f ms building "
        "from its CSV sources; ratio %.2f (bound %.2f)\n",
        wall <= kBound ? "ok" : "OVER", import->second.wallMs, build->second.wallMs, wall, kBound);
    std::printf("[info] processor time: %.0f ms vs %.0f ms; ratio %.2f\n", import->second.cpuMs,
                build->second.cpuMs, cpu);
    return 0;
}
