// A search killed at any moment, also in the middle of its commits, leaves the result table and
// its count as a pair: the next start finds the old results with the old count, or the new
// results with the new count.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "search/SearchEngine.h"
#include "store/Results.h"
#include "store/Sqlite.h"
#include "store/Table.h"
#include "tests/store/Child.h"
#include "tests/store/TempDir.h"
#include "tools/CorpusBuilder.h"
#include "tools/SampleCorpus.h"

namespace veloria::search {
namespace {

using Clock = std::chrono::steady_clock;
using store::Table;
using store::testing::Child;

constexpr std::array<const char*, 5> kVolumeTables = {"LTexto.DB", "LEjercicio.DB", "Maestro.DB",
                                                      "LPsico.DB", "LOracion.DB"};
// A query of removed characters only has no word: every row of every ticked volume is a hit. Two
// such searches over different volumes give two large result sets of different sizes.
constexpr std::array<bool, 5> kAll = {true, true, true, true, true};
constexpr std::array<bool, 5> kAllButOne = {true, true, true, true, false};

// What the child tells the parent.
enum Report { kShown = 1, kStep = 2, kClosed = 3 };

class ReportingProgress final : public Progress {
  public:
    explicit ReportingProgress(const std::function<void(int)>& report) : report_(report) {}
    void Show() override { report_(kShown); }
    void Repaint() override {}
    void SetProgress(int) override {}
    void AddProgress(int) override { report_(kStep); }
    void Close() override { report_(kClosed); }

  private:
    const std::function<void(int)>& report_;
};

// The search as the program runs it on its next start: fresh handles on the data directory.
void SearchInChild(const std::filesystem::path& data, const std::array<bool, 5>& volumes,
                   const std::function<void(int)>& report) {
    Table results("Texto_B.DB", {}, data);
    Table config("Configura.db", {}, data);
    std::array<std::unique_ptr<Table>, 5> books;
    SearchTables tables{results, {}, config};
    for (std::size_t v = 0; v < 5; ++v) {
        books[v] = std::make_unique<Table>(kVolumeTables[v], "", data);
        tables.volumes[v] = books[v].get();
    }
    ReportingProgress progress(report);
    RunSearch({"?!", false, false, volumes}, tables, progress);
}

struct Pair {
    int rows = 0;
    std::int64_t count = 0;   // as the program shows it
    std::int64_t stored = 0;  // Cantidad as it is in the file
};

// What the next start of the program finds: the rows, and the count it shows for them.
Pair ReadPair(const std::filesystem::path& data) {
    Table results("Texto_B.DB", {}, data);
    Table config("Configura.db", {}, data);
    const std::int64_t count = store::StoredResultCount(config, results);
    return {results.RowCount(), count, config.FieldAsInteger("Cantidad")};
}

std::string IntegrityOf(const std::filesystem::path& file) {
    store::sqlite::Database db(file, SQLITE_OPEN_READONLY);
    return db.QueryText("PRAGMA integrity_check");
}

struct KillRun {
    int scale = 1;  // of the sample corpus
    int kills = 0;  // at most; at least three, and no more once the time is up
    double seconds = 0;
    int minHits = 0;  // of the smaller of the two searches
    // Whether a quarter of the kills must land in the commit: on a busy machine the child can
    // be done before the parent has seen its last step.
    bool aimed = false;
};

// Builds a sample corpus of that scale, then kills a child process many times during searches
// over it that alternate between two result sets, and checks after each kill what the next start
// shows: a whole pair, old or new.
void KillSearches(const KillRun& run) {
    store::testing::TempDir dir;
    const std::filesystem::path data = dir.path() / "data";
    {
        const store::testing::TempDir sources;
        tools::WriteSampleCorpus(sources.path(), {.seed = 7, .scale = run.scale, .sourcesDir = {}});
        tools::BuildOptions build;
        build.source = sources.path();
        build.target = data;
        ASSERT_TRUE(tools::BuildCorpus(build).ok);
    }

    // Two whole searches: the sizes of both results, their gauge steps, and how long the scan
    // and the commit after the last step take.
    std::array<int, 2> hits{}, steps{};
    std::array<double, 2> scanSeconds{}, commitSeconds{};
    for (int q = 0; q < 2; ++q) {
        Child child(
            [&](const auto& report) { SearchInChild(data, q ? kAllButOne : kAll, report); });
        ASSERT_EQ(child.Receive(), kShown);
        auto last = Clock::now();
        const auto shown = last;
        int n = 0;
        while ((n = child.Receive()) == kStep) {
            ++steps[std::size_t(q)];
            last = Clock::now();
        }
        ASSERT_EQ(n, kClosed);
        scanSeconds[std::size_t(q)] = std::chrono::duration<double>(last - shown).count();
        commitSeconds[std::size_t(q)] = std::chrono::duration<double>(Clock::now() - last).count();
        ASSERT_EQ(child.Receive(), -1);
        const Pair pair = ReadPair(data);
        ASSERT_EQ(pair.count, pair.rows);
        hits[std::size_t(q)] = pair.rows;
    }
    ASSERT_GT(hits[0], hits[1]);
    ASSERT_GT(hits[1], run.minHits);

    // A third of the kills land anywhere in the scan and its appends, the rest after the last
    // gauge step: in the count's write, the commit over both files, or just after it.
    std::mt19937 random(20240611);
    int state = 1;                 // the last completed search wrote hits[1]
    std::array<int, 3> phases{};   // scanning, committing, done
    std::array<int, 2> outcome{};  // old pair kept, new pair found
    int between = 0;               // kills between the two commits: the count still the old one
    const auto start = Clock::now();
    int kills = 0;
    for (int k = 0; k < run.kills; ++k) {
        if (k >= 3 && std::chrono::duration<double>(Clock::now() - start).count() > run.seconds)
            break;
        ++kills;
        const auto q = std::size_t(1 - state);
        const bool inScan = k % 3 == 0;
        const double delay = std::uniform_real_distribution<double>(
            0, inScan ? scanSeconds[q] : commitSeconds[q] * 1.2)(random);
        {
            Child child(
                [&](const auto& report) { SearchInChild(data, q ? kAllButOne : kAll, report); });
            ASSERT_EQ(child.Receive(), kShown);
            int seen = 0, last = kShown;
            // After the last step, or at once for a kill in the scan, the clock starts.
            while (!inScan && seen < steps[q]) {
                last = child.Receive();
                ASSERT_EQ(last, kStep);
                ++seen;
            }
            const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(delay));
            while (last != kClosed && last != -1) {
                const auto left = deadline - Clock::now();
                if (left <= Clock::duration::zero())
                    break;
                const auto n = child.ReceiveWithin(
                    std::chrono::duration_cast<std::chrono::microseconds>(left));
                if (!n)
                    continue;
                last = *n;
                seen += last == kStep;
            }
            child.Kill();
            ++phases[last == kClosed || last == -1 ? 2 : seen < steps[q] ? 0 : 1];
        }
        const Pair pair = ReadPair(data);
        ASSERT_EQ(pair.count, pair.rows) << "kill " << k << " after " << delay << " s";
        ASSERT_TRUE(pair.rows == hits[0] || pair.rows == hits[1])
            << "kill " << k << ": " << pair.rows << " rows";
        const int now = pair.rows == hits[0] ? 0 : 1;
        ++outcome[now == state ? 0 : 1];
        between += pair.stored != pair.rows;
        state = now;
        for (const char* file : {"Texto_B.DB", "Configura.db"})
            ASSERT_EQ(IntegrityOf(data / file), "ok") << file;
    }
    std::printf(
        "%d kills in searches of %d and %d hits (scan %.2f s, commit %.2f s): %d scanning, "
        "%d committing, %d after; %d kept the old pair, %d found the new one, %d of them cut "
        "off between its two commits; none showed a count other than its rows\n",
        kills, hits[0], hits[1], scanSeconds[0], commitSeconds[0], phases[0], phases[1], phases[2],
        outcome[0], outcome[1], between);
    if (run.aimed) {
        EXPECT_GE(phases[1], kills / 4) << "too few kills landed in the commit";
    }
}

// Bounded to a few seconds, for every run of the suite.
TEST(Kill, ASearchKilledAnywhereLeavesResultsAndCountAsAPair) {
#ifdef __SANITIZE_ADDRESS__
    // Up to a minute under the sanitizers, nearly all of it building the corpus; the search and
    // the pair's writes run under them in the engine's and the table engine's own tests.
    GTEST_SKIP() << "the kill test runs in the normal build";
#endif
    KillSearches({.scale = 1, .kills = 8, .seconds = 2, .minHits = 20000});
}

// The same on a corpus ten times the real size, with many more kills: minutes, run by hand
// (search_tests --gtest_also_run_disabled_tests --gtest_filter=Kill.DISABLED_*).
TEST(Kill, DISABLED_ManySearchesKilledOnTheTenfoldCorpus) {
    KillSearches({.scale = 10, .kills = 60, .seconds = 1e9, .minHits = 250000, .aimed = true});
}

}  // namespace
}  // namespace veloria::search
