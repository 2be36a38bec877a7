// The search engine from Ok to the committed result table, on the sample corpus of the real size
// (31,200 sentences in the five volumes) and on the one of ten times that size. Every figure is
// printed as a ratio to a baseline measured in the same run:
//   - a typical one- or two-word search against a bare memmem scan of the same forms for the same
//     patterns;
//   - a common word and a query that hits every row against SQLite's own cost of emptying the
//     result table, inserting that many rows and storing their count, as a pair (and, for
//     information, that cost against writing the results alone with their log written into the
//     file at the commit, as they were written before they were a pair);
//   - the 10x corpus against the 1x one;
//   - a search driving a gauge that paints itself against the same search with no progress
//     window.
// Lines marked "info" carry no bound.
#include <benchmark/benchmark.h>
#include <string.h>  // memmem

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "search/FormScan.h"
#include "search/Query.h"
#include "search/SearchEngine.h"
#include "search/VolumeCache.h"
#include "store/Schema.h"
#include "store/Sqlite.h"
#include "store/Table.h"
#include "store/TableFile.h"
#include "store/Text.h"
#include "tests/store/TempDir.h"
#include "tools/CorpusBuilder.h"
#include "tools/SampleCorpus.h"

namespace {

using namespace veloria;
using Clock = std::chrono::steady_clock;

constexpr std::array<bool, 5> kAllVolumes = {true, true, true, true, true};

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// A sample data directory and the search dialog's handles on it.
struct Corpus {
    store::testing::TempDir dir;
    std::filesystem::path data;
    std::unique_ptr<store::Table> results, config;
    std::array<std::unique_ptr<store::Table>, 5> volumes;
    std::unordered_set<std::string> vocabulary;
    // beginning of a word -> sentences with a word that begins so: the rows a search for it hits
    std::unordered_map<std::string, int> sentencesWith;
    std::size_t formBytes = 0;
    int rows = 0;
    double madeSeconds = 0;

    search::SearchTables Tables() {
        search::SearchTables t{*results, {}, *config};
        for (std::size_t v = 0; v < 5; ++v)
            t.volumes[v] = volumes[v].get();
        return t;
    }
};

std::unique_ptr<Corpus> MakeCorpus(int scale) {
    const auto start = Clock::now();
    auto corpus = std::make_unique<Corpus>();
    {
        const store::testing::TempDir sources;
        tools::SampleCorpusOptions sample;
        sample.scale = scale;
        tools::WriteSampleCorpus(sources.path(), sample);
        tools::BuildOptions build;
        build.source = sources.path();
        build.target = corpus->dir.path() / "data";
        const tools::BuildResult built = tools::BuildCorpus(build);
        if (!built.ok)
            throw std::runtime_error("sample corpus: " + built.summary);
    }
    corpus->data = corpus->dir.path() / "data";
    corpus->results = std::make_unique<store::Table>("Texto_B.DB", "", corpus->data);
    corpus->config = std::make_unique<store::Table>("Configura.db", "", corpus->data);
    for (std::size_t v = 0; v < 5; ++v) {
        corpus->volumes[v] =
            std::make_unique<store::Table>(store::Volumes()[v].volumeTable, "", corpus->data);
        const search::RowTexts& forms = search::TextsOf(*corpus->volumes[v]).forms;
        corpus->rows += forms.RowCount();
        for (int r = 0; r < forms.RowCount(); ++r) {
            const std::string_view form = forms.At(r);
            corpus->formBytes += form.size();
            if (scale != 1)
                continue;  // only the real-size corpus is needed to choose the words
            std::unordered_set<std::string_view> words, beginnings;
            for (std::size_t at = 1; at < form.size();) {
                const std::size_t end = std::min(form.find('#', at), form.size());
                words.insert(form.substr(at, end - at));
                at = end + 1;
            }
            for (const std::string_view w : words) {
                for (std::size_t n = 1; n <= w.size(); ++n)
                    beginnings.insert(w.substr(0, n));
            }
            for (const std::string_view w : words)
                corpus->vocabulary.emplace(w);
            for (const std::string_view b : beginnings)
                ++corpus->sentencesWith[std::string(b)];
        }
    }
    corpus->madeSeconds = Seconds(start);
    return corpus;
}

// The rows a one-word search would hit, without writing them.
int HitsOf(Corpus& corpus, const std::string& word) {
    const search::Matcher matcher(search::BuildQuery(word, false), false);
    std::vector<int> hits;
    for (auto& volume : corpus.volumes)
        matcher.FindHits(search::TextsOf(*volume).forms, hits);
    return int(hits.size());
}

// A word that about the given number of sentences hold at 1x, and ten times as many at 10x: the
// same query then asks ten times the work of the engine, which is what linear growth is about.
// A word whose share of sentences differs between the two samples by chance would tell about
// the samples instead.
std::string WordNear(const Corpus& one, Corpus& ten, int sentences, const std::string& skip = {}) {
    std::vector<std::pair<int, std::string>> candidates;
    for (const std::string& word : one.vocabulary) {
        const int count = one.sentencesWith.at(word);
        if (word != skip && count >= sentences * 7 / 10 && count <= sentences * 13 / 10)
            candidates.emplace_back(std::abs(count - sentences), word);
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.resize(std::min<std::size_t>(candidates.size(), 30));
    std::string best;
    double bestScore = 0;
    for (const auto& [distance, word] : candidates) {
        const double score =
            std::abs(double(HitsOf(ten, word)) / double(one.sentencesWith.at(word)) - 10.0);
        if (best.empty() || score < bestScore || (score == bestScore && word < best)) {
            best = word;
            bestScore = score;
        }
    }
    return best;
}

// A gauge as the progress window needs it: progress kept within 0..100, painted off-screen and
// copied in one step when its percentage changes, but (frameMs > 0) at most once a frame. The
// search processes no window messages, so a paint is all the user sees, and a hundred paints in
// a few milliseconds cost more than the search itself while showing nothing more.
class PaintingGauge final : public search::Progress {
  public:
    explicit PaintingGauge(double frameMs) : frameMs_(frameMs) {}
    void Show() override {}
    void Repaint() override { Paint(); }
    void SetProgress(int value) override {
        progress_ = std::clamp(value, 0, 100);
        if (progress_ != shown_ &&
            (frameMs_ <= 0 ||
             std::chrono::duration<double, std::milli>(Clock::now() - painted_).count() >=
                 frameMs_)) {
            Paint();
        }
    }
    void AddProgress(int delta) override { SetProgress(progress_ + delta); }
    void Close() override {}
    int paints = 0;

  private:
    static constexpr int kWidth = 297, kHeight = 25;
    void Paint() {
        shown_ = progress_;
        const int bar = (kWidth - 2) * shown_ / 100;
        for (int y = 0; y < kHeight; ++y) {
            std::uint32_t* line = &offScreen_[std::size_t(y * kWidth)];
            for (int x = 0; x < kWidth; ++x) {
                const bool border = x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1;
                line[x] = border ? 0xFF000000u : x - 1 < bar ? 0xFF0000FFu : 0xFFFFFFFFu;
            }
        }
        std::copy(offScreen_.begin(), offScreen_.end(), screen_.begin());
        benchmark::DoNotOptimize(screen_.data());
        painted_ = Clock::now();
        ++paints;
    }
    double frameMs_;
    Clock::time_point painted_{};
    int progress_ = 0, shown_ = 0;
    std::vector<std::uint32_t> offScreen_ = std::vector<std::uint32_t>(kWidth * kHeight);
    std::vector<std::uint32_t> screen_ = std::vector<std::uint32_t>(kWidth * kHeight);
};

int Search(Corpus& corpus, const std::string& box, search::Progress& progress) {
    return search::RunSearch({box, false, false, kAllVolumes}, corpus.Tables(), progress).count;
}

// Every occurrence of each of the query's word patterns in every volume's forms.
std::size_t BareScan(Corpus& corpus, const std::string& box) {
    const search::Query q = search::BuildQuery(box, false);
    std::size_t found = 0;
    for (auto& volume : corpus.volumes) {
        const std::string_view text = search::TextsOf(*volume).forms.Text();
        for (int w = 0; w < q.wordCount; ++w) {
            const std::string& p = q.queryWords[std::size_t(w)];
            std::size_t pos = 0;
            while (const void* hit =
                       memmem(text.data() + pos, text.size() - pos, p.data(), p.size())) {
                ++found;
                pos = std::size_t(static_cast<const char*>(hit) - text.data()) + 1;
            }
        }
    }
    return found;
}

// SQLite alone, on files of the result table's and the configuration's layout opened with the
// table engine's settings (a write-ahead log, synchronous=NORMAL): emptying the result table and
// inserting the rows the engine writes for a query in one transaction, then storing their count
// in another, each file stamped with the pair's generation; the logs are written into the files
// afterwards, outside the timing, as the program does it when it finds time. The rows come in the
// tables' Windows-1252, as the search has them, and are converted to the UTF-8 the files hold, as
// any writer of these files must; or (convertFirst) are converted before the timing starts. With
// `alone`, the way the results were written before they were written as a pair: the result table
// alone, its log written into the file at the commit, in the user's wait.
class SqliteResults {
  public:
    SqliteResults(Corpus& corpus, const std::string& box, bool convertFirst, bool alone = false)
        : convertFirst_(convertFirst), alone_(alone) {
        const store::TableDef& def = *store::FindTableDef("Texto_B.DB");
        store::testing::WriteTable(dir_.path(), "Texto_B.DB", {});
        store::testing::WriteTable(dir_.path(), "Configura.db", {{"0", "", ""}});
        for (auto* db : {&db_, &config_}) {
            *db = std::make_unique<store::sqlite::Database>(
                dir_.path() / (db == &db_ ? def.fileName : "Configura.db"),
                SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
            (*db)->QueryText("PRAGMA journal_mode=WAL");
            (*db)->Exec("PRAGMA synchronous=NORMAL");
            (*db)->Exec("PRAGMA secure_delete=OFF");
            if (!alone)
                (*db)->Exec("PRAGMA wal_autocheckpoint=0");
        }
        const std::string table = store::QuoteSqlName(store::SqlTableName(def));
        empty_ = "DELETE FROM " + table;
        insert_ = std::make_unique<store::sqlite::Statement>(
            db_->Prepare("INSERT INTO " + table +
                         " (Referencia, Numero, Pensamiento, Libro) VALUES (?, ?, ?, ?)"));
        search::NoProgress none;
        Search(corpus, box, none);
        const store::Table& results = *corpus.results;
        for (int r = 1; r <= results.RowCount(); ++r) {
            std::array<std::string, 4> row;
            for (int f = 0; f < 4; ++f) {
                const std::string cell = results.CellAsString(r, f);
                row[std::size_t(f)] = convertFirst ? store::ToUtf8(cell) : cell;
            }
            rows_.push_back(row);
        }
        Write();  // the table holds as many rows as at every later run
        Checkpoint();
    }
    void Write() {
        const std::string stamp = "PRAGMA user_version = " + std::to_string(++generation_);
        db_->Exec("BEGIN IMMEDIATE");
        if (!alone_)
            config_->Exec("BEGIN IMMEDIATE");
        db_->Exec(empty_);
        for (const auto& row : rows_) {
            for (int f = 0; f < 4; ++f) {
                const std::string& cell = row[std::size_t(f)];
                insert_->BindText(f + 1, convertFirst_ ? cell : store::ToUtf8(cell));
            }
            insert_->Run();
        }
        if (alone_) {
            db_->Exec("COMMIT");
            return;
        }
        config_->Exec("UPDATE Configura SET Cantidad = " + std::to_string(rows_.size()));
        db_->Exec(stamp);
        db_->Exec("COMMIT");
        config_->Exec(stamp);
        config_->Exec("COMMIT");
    }
    // What the program does when it finds time.
    void Checkpoint() {
        if (alone_)
            return;
        db_->Exec("PRAGMA wal_checkpoint(PASSIVE)");
        config_->Exec("PRAGMA wal_checkpoint(PASSIVE)");
    }

  private:
    store::testing::TempDir dir_;
    std::unique_ptr<store::sqlite::Database> db_, config_;
    std::unique_ptr<store::sqlite::Statement> insert_;
    std::string empty_;
    std::vector<std::array<std::string, 4>> rows_;
    bool convertFirst_;
    bool alone_;
    std::int64_t generation_ = 0;
};

// The fastest repetition of each benchmark, in milliseconds per iteration.
class Collector : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const double ms =
                run.GetAdjustedRealTime() * (run.time_unit == benchmark::kMillisecond ? 1.0 : 1e-3);
            auto [it, fresh] = best.try_emplace(run.run_name.function_name, ms);
            if (!fresh)
                it->second = std::min(it->second, ms);
        }
    }
    std::map<std::string, double> best;
};

// `afterwards` runs after each iteration, outside the timing: what the program leaves for when it
// finds time (the logs written into the files).
void Register(const std::string& name, std::function<void()> body, bool heavy,
              std::function<void()> afterwards = store::RunIdleWork) {
    auto* b =
        benchmark::RegisterBenchmark(name.c_str(), [body, afterwards](benchmark::State& state) {
            for (auto _ : state) {
                body();
                state.PauseTiming();
                afterwards();
                state.ResumeTiming();
            }
        });
    b->Unit(benchmark::kMillisecond)->Repetitions(5);
    if (heavy) {
        b->Iterations(2);
    } else {
        b->MinTime(0.08);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    // The first search reads the volumes' texts; later ones find them kept.
    const auto one = MakeCorpus(1);
    search::NoProgress none;
    search::ForgetVolumeTexts();
    auto start = Clock::now();
    Search(*one, "peace", none);
    const double firstSearchMs = Seconds(start) * 1e3;
    const auto ten = MakeCorpus(10);

    const auto near = [&](int sentences, const std::string& skip = {}) {
        return WordNear(*one, *ten, sentences, skip);
    };
    struct Case {
        std::string key, box;
    };
    const std::string first = near(1500);
    const std::array<Case, 4> cases = {Case{"typical1", near(150)},
                                       Case{"typical2", first + " " + near(1200, first)},
                                       Case{"common", near(3000)}, Case{"everyrow", "?!"}};

    // Each figure is registered next to its baselines, so that both see the same state of the
    // machine, which other work shares.
    std::map<std::string, int> hits;
    std::vector<std::unique_ptr<SqliteResults>> baselines;
    for (const Case& c : cases) {
        const std::string box = c.box;
        for (const auto& [scale, corpus] :
             {std::pair{"1x", one.get()}, std::pair{"10x", ten.get()}}) {
            const std::string tag = c.key + "/" + scale;
            const bool heavy = tag == "everyrow/1x" || tag == "everyrow/10x" || tag == "common/10x";
            Corpus* k = corpus;
            hits[tag] = Search(*k, box, none);
            Register(
                "search/" + tag,
                [k, box] {
                    search::NoProgress p;
                    Search(*k, box, p);
                },
                heavy);
            if (c.key.rfind("typical", 0) == 0) {
                Register(
                    "memmem/" + tag, [k, box] { benchmark::DoNotOptimize(BareScan(*k, box)); },
                    false);
                continue;
            }
            for (const bool convertFirst : {false, true}) {
                if (convertFirst && std::string(scale) == "10x")
                    continue;
                SqliteResults* s =
                    baselines.emplace_back(std::make_unique<SqliteResults>(*k, box, convertFirst))
                        .get();
                Register(
                    std::string(convertFirst ? "sqlite-utf8/" : "sqlite/") + tag,
                    [s] { s->Write(); }, heavy, [s] { s->Checkpoint(); });
            }
            SqliteResults* alone =
                baselines.emplace_back(std::make_unique<SqliteResults>(*k, box, false, true)).get();
            Register(
                "sqlite-alone/" + tag, [alone] { alone->Write(); }, heavy, [] {});
        }
    }
    // Side by side, so that all three see the same state of the machine.
    PaintingGauge perFrame(16.0), everyChange(0.0);
    const std::string typical = cases[0].box;
    Register(
        "nogauge/typical1/1x", [&] { Search(*one, typical, none); }, false);
    Register(
        "gauge/typical1/1x", [&] { Search(*one, typical, perFrame); }, false);
    Register(
        "gauge-every-change/typical1/1x", [&] { Search(*one, typical, everyChange); }, false);

    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    const auto& best = collector.best;
    int over = 0;
    // One line per figure; a figure whose runs were filtered out is left out.
    const auto line = [&](const std::string& what, const std::string& name,
                          const std::string& baseName, const char* baseWhat, double bound) {
        const auto value = best.find(name), base = best.find(baseName);
        if (value == best.end() || base == best.end())
            return;
        const double ratio = value->second / base->second;
        if (bound > 0) {
            const bool ok = ratio <= bound;
            over += !ok;
            std::printf("[%s] %s: %.2f ms vs %.2f ms %s; ratio %.2f (bound %.2f)\n",
                        ok ? "ok" : "OVER", what.c_str(), value->second, base->second, baseWhat,
                        ratio, bound);
        } else {
            std::printf("[info] %s: %.2f ms vs %.2f ms %s; ratio %.2f\n", what.c_str(),
                        value->second, base->second, baseWhat, ratio);
        }
    };
    const auto described = [&](const Case& c, const char* scale = "1x") {
        return "\"" + c.box + "\" (" + std::to_string(hits[c.key + "/" + scale]) + " hits)";
    };

    std::printf(
        "\nsample corpus 1x: %d sentences, %.2f MB of search forms, made in %.1f s; 10x: "
        "%d sentences, %.1f MB, made in %.1f s\n",
        one->rows, double(one->formBytes) / 1e6, one->madeSeconds, ten->rows,
        double(ten->formBytes) / 1e6, ten->madeSeconds);
    std::printf("[info] first search after start, reading the five volumes' texts: %.1f ms\n",
                firstSearchMs);
    line("typical 1-word search " + described(cases[0]) + ", Ok to committed table",
         "search/typical1/1x", "memmem/typical1/1x", "bare memmem scan", 2.0);
    line("typical 2-word search " + described(cases[1]) + ", Ok to committed table",
         "search/typical2/1x", "memmem/typical2/1x", "bare memmem scan", 2.0);
    for (const Case& c : {cases[2], cases[3]}) {
        const std::string what = (c.key == "common" ? "common word " : "every row ") + described(c);
        line(what, "search/" + c.key + "/1x", "sqlite/" + c.key + "/1x",
             "SQLite empty+insert+count", 1.5);
        line(what + " against rows converted to UTF-8 beforehand", "search/" + c.key + "/1x",
             "sqlite-utf8/" + c.key + "/1x", "SQLite empty+insert+count", 0);
        for (const char* scale : {"1x", "10x"}) {
            line("cost of writing results and count as a pair, " + described(c, scale),
                 "sqlite/" + c.key + "/" + scale, "sqlite-alone/" + c.key + "/" + scale,
                 "the results alone, their log written at the commit", 0);
        }
    }
    for (const Case& c : cases) {
        line("10x corpus, " + described(c, "10x"), "search/" + c.key + "/10x",
             "search/" + c.key + "/1x", "at 1x", 11.0);
        line("10x corpus, bare memmem scan for " + described(c, "10x"), "memmem/" + c.key + "/10x",
             "memmem/" + c.key + "/1x", "at 1x", 0);
        line("10x corpus, SQLite empty+insert for " + described(c, "10x"),
             "sqlite/" + c.key + "/10x", "sqlite/" + c.key + "/1x", "at 1x", 0);
    }
    const auto paintsOf = [&](PaintingGauge& gauge) {
        gauge.paints = 0;
        Search(*one, typical, gauge);
        return std::to_string(gauge.paints);
    };
    line("typical 1-word search with a gauge painting at most once a frame (" + paintsOf(perFrame) +
             " paints)",
         "gauge/typical1/1x", "nogauge/typical1/1x", "without progress window", 1.05);
    line("typical 1-word search with a gauge painting at every change (" + paintsOf(everyChange) +
             " paints)",
         "gauge-every-change/typical1/1x", "nogauge/typical1/1x", "without progress window", 0);
    return over == 0 ? 0 : 1;
}
