// The search engine from Ok to the committed result table, on generated corpora of the real size
// (31,200 sentences in the five volumes) and of ten times that size. Every figure is printed as a
// ratio to a baseline measured in the same run:
//   - a typical one- or two-word search against a bare memmem scan of the same forms for the same
//     patterns;
//   - a common word and a query that hits every row against SQLite's own cost of emptying the
//     result table and inserting that many rows in one transaction;
//   - the 10x corpus against the 1x one;
//   - a search driving a gauge that paints off-screen at each change of percentage against the
//     same search with no progress window.
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
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/uGlobal.h"
#include "search/FormCache.h"
#include "search/FormScan.h"
#include "search/Query.h"
#include "search/SearchEngine.h"
#include "store/Schema.h"
#include "store/SearchForm.h"
#include "store/Sqlite.h"
#include "store/Table.h"
#include "store/TableFile.h"
#include "store/Text.h"
#include "tests/store/TempDir.h"

namespace {

using namespace veloria;
using Clock = std::chrono::steady_clock;

constexpr std::array<const char*, 5> kVolumeTables = {"LTexto.DB", "LEjercicio.DB", "Maestro.DB",
                                                      "LPsico.DB", "LOracion.DB"};
constexpr std::array<int, 5> kVolumeRows = {18200, 9700, 2100, 600, 600};
constexpr std::array<bool, 5> kAllVolumes = {true, true, true, true, true};

// A vocabulary with the skewed frequencies of prose: a few words in most sentences, most words in
// a handful.
class Vocabulary {
  public:
    explicit Vocabulary(std::mt19937& rng) {
        std::set<std::string> seen;
        std::uniform_int_distribution<int> letter('a', 'z');
        std::discrete_distribution<int> length({0, 0, 6, 10, 14, 14, 12, 10, 8, 6, 4, 3});
        while (words_.size() < 8000) {
            std::string w(std::size_t(length(rng)), ' ');
            for (char& c : w)
                c = char(letter(rng));
            if (seen.insert(w).second)
                words_.push_back(w);
        }
        std::vector<double> weights;
        for (std::size_t r = 0; r < words_.size(); ++r)
            weights.push_back(1.0 / double(r + 3));
        pick_ = std::discrete_distribution<int>(weights.begin(), weights.end());
    }
    int Pick(std::mt19937& rng) { return pick_(rng); }
    const std::string& Word(int rank) const { return words_[std::size_t(rank)]; }
    int Size() const { return int(words_.size()); }

  private:
    std::vector<std::string> words_;
    std::discrete_distribution<int> pick_;
};

// The dialog's handles on a working directory of generated tables.
struct Corpus {
    store::testing::TempDir dir;
    std::unique_ptr<store::Table> results, config;
    std::array<std::unique_ptr<store::Table>, 5> volumes;
    std::vector<std::string> vocabulary;  // by rank
    std::vector<int> sentencesWith;       // per rank: sentences holding the word
    std::size_t formBytes = 0;
    int rows = 0;

    search::SearchTables Tables() {
        search::SearchTables t{*results, {}, *config};
        for (int v = 0; v < 5; ++v)
            t.volumes[std::size_t(v)] = volumes[std::size_t(v)].get();
        return t;
    }
};

std::unique_ptr<Corpus> MakeCorpus(int scale) {
    auto corpus = std::make_unique<Corpus>();
    std::mt19937 rng(1975);
    Vocabulary vocabulary(rng);
    corpus->sentencesWith.assign(std::size_t(vocabulary.Size()), 0);
    for (int r = 0; r < vocabulary.Size(); ++r)
        corpus->vocabulary.push_back(vocabulary.Word(r));
    std::uniform_int_distribution<int> words(6, 22);
    for (int v = 0; v < 5; ++v) {
        const store::TableDef& def = *store::FindTableDef(kVolumeTables[std::size_t(v)]);
        store::TableWriter writer(corpus->dir.path() / def.fileName, def);
        const int rows = kVolumeRows[std::size_t(v)] * scale;
        for (int n = 1; n <= rows; ++n) {
            std::string sentence;
            std::set<int> ranks;
            const int count = words(rng);
            for (int w = 0; w < count; ++w) {
                const int rank = vocabulary.Pick(rng);
                ranks.insert(rank);
                std::string word = vocabulary.Word(rank);
                if (w == 0)
                    word[0] = char(word[0] - 'a' + 'A');
                sentence += word + (w + 1 == count ? "." : rng() % 9 ? " " : ", ");
            }
            for (const int r : ranks)
                ++corpus->sentencesWith[std::size_t(r)];
            const std::string form = store::SearchForm(sentence);
            const auto pieces = store::SplitSearchForm(form);
            corpus->formBytes += form.size();
            const std::string numero = std::to_string(n);
            writer.AddRow({numero, sentence, std::string(1, "TEMPS"[v]) + "-" + numero, "1", "",
                           "1", numero, (*pieces)[0], (*pieces)[1], (*pieces)[2], (*pieces)[3]});
        }
        writer.Finish();
        corpus->rows += rows;
    }
    store::testing::WriteTable(corpus->dir.path(), "Texto_B.DB", {});
    store::testing::WriteTable(corpus->dir.path(), "Configura.db", {{"0", "", ""}});
    corpus->results = std::make_unique<store::Table>("Texto_B.DB", "", corpus->dir.path());
    corpus->config = std::make_unique<store::Table>("Configura.db", "", corpus->dir.path());
    for (int v = 0; v < 5; ++v) {
        corpus->volumes[std::size_t(v)] =
            std::make_unique<store::Table>(kVolumeTables[std::size_t(v)], "", corpus->dir.path());
    }
    return corpus;
}

// The rank of the word whose number of sentences is nearest to the target.
int WordNear(const Corpus& corpus, int sentences, int skip = -1) {
    int best = skip == 0 ? 1 : 0;
    for (int r = 0; r < int(corpus.vocabulary.size()); ++r) {
        if (r != skip && std::abs(corpus.sentencesWith[std::size_t(r)] - sentences) <
                             std::abs(corpus.sentencesWith[std::size_t(best)] - sentences)) {
            best = r;
        }
    }
    return best;
}

struct Queries {
    std::string typical1, typical2, common;
    const std::string everyRow = "?!";
};

// A gauge as the progress window has it: progress kept within 0..100, painted off-screen and
// copied in one step each time its percentage changes.
class PaintingGauge final : public search::Progress {
  public:
    void Show() override {}
    void Repaint() override { Paint(); }
    void SetProgress(int value) override {
        value = std::clamp(value, 0, 100);
        progress_ = value;
        if (value != shown_) {
            shown_ = value;
            Paint();
        }
    }
    void AddProgress(int delta) override { SetProgress(progress_ + delta); }
    void Close() override {}
    int paints = 0;

  private:
    static constexpr int kWidth = 297, kHeight = 25;
    void Paint() {
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
        ++paints;
    }
    int progress_ = 0, shown_ = 0;
    std::vector<std::uint32_t> offScreen_ = std::vector<std::uint32_t>(kWidth * kHeight);
    std::vector<std::uint32_t> screen_ = std::vector<std::uint32_t>(kWidth * kHeight);
};

int Search(Corpus& corpus, const std::string& box, search::Progress& progress) {
    search::RunSearch({box, false, false, kAllVolumes}, corpus.Tables(), progress);
    return uGlobal::ResultCount;
}

// Every occurrence of each of the query's word patterns in every volume's forms.
std::size_t BareScan(Corpus& corpus, const std::string& box) {
    const search::Query q = search::BuildQuery(box, false);
    std::size_t found = 0;
    for (auto& volume : corpus.volumes) {
        const std::string_view text = search::FormsOf(*volume).Text();
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

// SQLite alone, on a file of the result table's layout with the table engine's settings:
// emptying the table and inserting the given rows in one transaction.
class SqliteResults {
  public:
    SqliteResults(Corpus& corpus, const std::string& box) {
        const store::TableDef& def = *store::FindTableDef("Texto_B.DB");
        store::testing::WriteTable(dir_.path(), "Texto_B.DB", {});
        db_ = std::make_unique<store::sqlite::Database>(dir_.path() / def.fileName,
                                                        SQLITE_OPEN_READWRITE);
        db_->QueryText("PRAGMA journal_mode=WAL");
        db_->Exec("PRAGMA synchronous=NORMAL");
        db_->Exec("PRAGMA secure_delete=OFF");
        const std::string table = store::QuoteSqlName(store::SqlTableName(def));
        empty_ = "DELETE FROM " + table;
        insert_ = std::make_unique<store::sqlite::Statement>(
            db_->Prepare("INSERT INTO " + table +
                         " (Referencia, Numero, Pensamiento, Libro) VALUES (?, ?, ?, ?)"));
        // The very rows the engine writes for that query.
        search::NoProgress none;
        Search(corpus, box, none);
        const store::Table& results = *corpus.results;
        for (int r = 1; r <= results.RowCount(); ++r) {
            std::array<std::string, 4> row;
            for (int f = 0; f < 4; ++f)
                row[std::size_t(f)] = store::ToUtf8(results.CellAsString(r, f));
            rows_.push_back(row);
        }
    }
    void Write() {
        db_->Exec("BEGIN IMMEDIATE");
        db_->Exec(empty_);
        for (const auto& row : rows_) {
            for (int f = 0; f < 4; ++f)
                insert_->BindText(f + 1, row[std::size_t(f)]);
            insert_->Run();
        }
        db_->Exec("COMMIT");
    }
    std::size_t Rows() const { return rows_.size(); }

  private:
    store::testing::TempDir dir_;
    std::unique_ptr<store::sqlite::Database> db_;
    std::unique_ptr<store::sqlite::Statement> insert_;
    std::string empty_;
    std::vector<std::array<std::string, 4>> rows_;
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

benchmark::internal::Benchmark* Register(const std::string& name, std::function<void()> body,
                                         bool heavy = false) {
    auto* b = benchmark::RegisterBenchmark(name.c_str(), [body](benchmark::State& state) {
        for (auto _ : state)
            body();
    });
    b->Unit(benchmark::kMillisecond)->Repetitions(3);
    if (heavy) {
        b->Iterations(2);
    } else {
        b->MinTime(0.15);
    }
    return b;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);

    auto start = Clock::now();
    auto one = MakeCorpus(1);
    const double made1 = Seconds(start);
    start = Clock::now();
    auto ten = MakeCorpus(10);
    const double made10 = Seconds(start);

    Queries q;
    const auto word = [&](int rank) { return one->vocabulary[std::size_t(rank)]; };
    q.typical1 = word(WordNear(*one, 150));
    const int first = WordNear(*one, 1500);
    q.typical2 = word(first) + " " + word(WordNear(*one, 1200, first));
    q.common = word(WordNear(*one, 2800));

    // The first search reads the volumes' forms; later ones find them kept.
    search::NoProgress none;
    search::ForgetForms();
    start = Clock::now();
    Search(*one, q.typical1, none);
    const double firstSearch = Seconds(start);

    std::map<std::string, int> hits;
    struct Case {
        const char* key;
        const std::string* box;
    };
    const std::array<Case, 4> cases = {Case{"typical1", &q.typical1}, Case{"typical2", &q.typical2},
                                       Case{"common", &q.common}, Case{"everyrow", &q.everyRow}};
    std::map<std::string, std::unique_ptr<SqliteResults>> sqlite;
    for (const auto& [scale, corpus] : {std::pair{"1x", one.get()}, std::pair{"10x", ten.get()}}) {
        for (const Case& c : cases) {
            const std::string box = *c.box;
            const std::string tag = std::string(c.key) + "/" + scale;
            Corpus* k = corpus;
            hits[tag] = Search(*k, box, none);
            const bool heavy = tag == "everyrow/1x" || tag == "everyrow/10x" || tag == "common/10x";
            Register(
                "search/" + tag,
                [k, box] {
                    search::NoProgress p;
                    Search(*k, box, p);
                },
                heavy);
            if (std::string(c.key).rfind("typical", 0) == 0) {
                Register("memmem/" + tag,
                         [k, box] { benchmark::DoNotOptimize(BareScan(*k, box)); });
            } else if (std::string(scale) == "1x") {
                auto& s = sqlite[tag] = std::make_unique<SqliteResults>(*k, box);
                SqliteResults* raw = s.get();
                Register(
                    "sqlite/" + tag, [raw] { raw->Write(); }, std::string(c.key) == "everyrow");
            }
        }
    }
    PaintingGauge gauge;
    Register("gauge/typical1/1x", [&] { Search(*one, q.typical1, gauge); });

    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    const auto& t = collector.best;
    const auto at = [&](const std::string& name) {
        const auto it = t.find(name);
        return it == t.end() ? NAN : it->second;
    };
    int over = 0;
    const auto line = [&](const std::string& what, double value, double base, const char* baseName,
                          double bound) {
        const double ratio = value / base;
        const bool ok = ratio <= bound;
        over += !ok;
        std::printf("[%s] %s: %.2f ms vs %.2f ms %s; ratio %.2f (bound %.2f)\n", ok ? "ok" : "OVER",
                    what.c_str(), value, base, baseName, ratio, bound);
    };
    std::printf(
        "\ncorpus 1x: %d sentences, %.2f MB of search forms (made in %.1f s); "
        "10x: %d sentences, %.1f MB (made in %.1f s)\n",
        one->rows, double(one->formBytes) / 1e6, made1, ten->rows, double(ten->formBytes) / 1e6,
        made10);
    std::printf("first search after start (reads the forms of all five volumes): %.1f ms\n",
                firstSearch * 1e3);
    const auto describe = [&](const std::string& key, const std::string& box) {
        return "\"" + box + "\" (" + std::to_string(hits[key + "/1x"]) + " hits)";
    };
    line("typical 1-word search " + describe("typical1", q.typical1) + ", Ok to committed table",
         at("search/typical1/1x"), at("memmem/typical1/1x"), "bare memmem scan", 2.0);
    line("typical 2-word search " + describe("typical2", q.typical2) + ", Ok to committed table",
         at("search/typical2/1x"), at("memmem/typical2/1x"), "bare memmem scan", 2.0);
    line("common word " + describe("common", q.common), at("search/common/1x"),
         at("sqlite/common/1x"), "SQLite empty+insert", 1.5);
    line("every row " + describe("everyrow", q.everyRow), at("search/everyrow/1x"),
         at("sqlite/everyrow/1x"), "SQLite empty+insert", 1.5);
    for (const Case& c : cases) {
        const std::string key = c.key;
        line("10x corpus, " + key + " (" + std::to_string(hits[key + "/10x"]) + " hits)",
             at("search/" + key + "/10x"), at("search/" + key + "/1x"), "at 1x", 11.0);
    }
    line("gauge painting at each percentage change (" + std::to_string(gauge.paints) +
             " paints in all), typical 1-word search",
         at("gauge/typical1/1x"), at("search/typical1/1x"), "without progress window", 1.05);
    return over == 0 ? 0 : 1;
}
