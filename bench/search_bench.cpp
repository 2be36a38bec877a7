// The search engine from Ok to the committed result table, on the sample corpus of the real size
// (31,200 sentences in the five volumes) and on the one of ten times that size, against an
// inverted index over the same sentences: SQLite's FTS5, its search's terms the words between the
// search forms' "#" marks. Six classes of query, each at 1x and 10x: a rare word, a common word,
// a beginning of words, a phrase of common words, three words in any order, a phrase of four
// words. Every figure is printed as a ratio to a baseline measured in the same run:
//   - each class against FTS5 doing the same job: answering the query with the rows the result
//     table needs, and writing them and their count as a pair through the same table engine (and,
//     for information, against the FTS5 query alone, with no writes);
//   - the hits of every class, compared row for row: the engine's, FTS5's and a plain scan's;
//   - the 10x corpus against the 1x one, class by class, each search from memory (the caches
//     emptied first) and repeated at once, beside finding the hits alone and SQLite's own
//     writing of the same rows;
//   - a search right after one that hit every row against the same search after a small one;
//   - the commit of many result rows against SQLite's own emptying, inserting and counting;
//   - a search driving a gauge that paints itself against the same search with no window.
// Memory is measured in processes of their own: the peak resident memory after a search at 1x
// and at 10x, beside the bytes of the search forms. Lines marked "info" carry no bound, or are
// over it for a reason the same run shows beside (the processor's caches, the free-page list).
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/Figures.h"
#include "bench/SampleData.h"
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

namespace {

using namespace veloria;
using bench::CpuMs;
using bench::Register;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::array<bool, 5> kAllVolumes = {true, true, true, true, true};
constexpr std::array<char, 5> kCodes = {'T', 'E', 'M', 'P', 'S'};

// A result row as the result table holds it.
struct Hit {
    std::string referencia, numero, pensamiento, libro;
    bool operator==(const Hit&) const = default;
};

std::string Pensamiento(std::string_view umemo) {
    return store::Trim(umemo).substr(0, 80);
}

// A query of one class.
struct Class {
    std::string key, what, box;
    bool exactWord = false, exactPhrase = false;
};

// The search dialog's handles on a data directory, and what the engine reads of it.
struct Corpus {
    fs::path data;
    std::unique_ptr<store::Table> results, config;
    std::array<std::unique_ptr<store::Table>, 5> volumes;
    std::size_t formBytes = 0;
    int rows = 0;

    explicit Corpus(fs::path dir) : data(std::move(dir)) {
        results = std::make_unique<store::Table>("Texto_B.DB", "", data);
        config = std::make_unique<store::Table>("Configura.db", "", data);
        for (std::size_t v = 0; v < 5; ++v) {
            volumes[v] = std::make_unique<store::Table>(store::Volumes()[v].volumeTable, "", data);
            const search::RowTexts& forms = search::TextsOf(*volumes[v]).forms;
            rows += forms.RowCount();
            formBytes += forms.Text().size() - std::size_t(forms.RowCount());
        }
    }
    // The bytes of the sentences: reading them reads every row of the volumes, which the program
    // does only for a search of many hits, so not where memory is measured.
    std::size_t SentenceBytes() const {
        std::size_t bytes = 0;
        for (const auto& volume : volumes) {
            const int umemo = store::FieldIndex(volume->Def(), "Umemo");
            for (int r = 1; r <= volume->RowCount(); ++r)
                bytes += volume->CellView(r, umemo).size();
        }
        return bytes;
    }
    search::SearchTables Tables() {
        search::SearchTables t{*results, {}, *config};
        for (std::size_t v = 0; v < 5; ++v)
            t.volumes[v] = volumes[v].get();
        return t;
    }
    int Search(const Class& c, search::Progress& progress) {
        return search::RunSearch({c.box, c.exactWord, c.exactPhrase, kAllVolumes}, Tables(),
                                 progress)
            .count;
    }
    // The result row of row r (0-based) of volume v.
    Hit ResultRow(std::size_t v, int r) const {
        const store::Table& volume = *volumes[v];
        const auto field = [&](std::string_view name) {
            return store::FieldIndex(volume.Def(), name);
        };
        return {std::string(volume.CellView(r + 1, field("Referencia"))),
                std::string(volume.CellView(r + 1, field("Numero"))),
                Pensamiento(volume.CellView(r + 1, field("Umemo"))), std::string(1, kCodes[v])};
    }
    std::vector<Hit> Results() const {
        std::vector<Hit> hits;
        for (int r = 1; r <= results->RowCount(); ++r) {
            hits.push_back({results->CellAsString(r, 0), results->CellAsString(r, 1),
                            results->CellAsString(r, 2), results->CellAsString(r, 3)});
        }
        return hits;
    }
};

// The words of a search form, in order.
std::vector<std::string_view> WordsOf(std::string_view form) {
    std::vector<std::string_view> words;
    for (std::size_t at = 1; at < form.size();) {
        const std::size_t end = std::min(form.find('#', at), form.size());
        if (end > at)
            words.push_back(form.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// How many rows hold each word, each beginning of a word, each pair of neighbouring words and
// each run of four, on the real-size corpus: what the queries of every class are chosen by.
struct Counts {
    std::unordered_map<std::string, int> words, beginnings, pairs, fours;
    std::unordered_map<std::string, std::vector<int>> rowsOf;  // the rows (all volumes) of a word

    explicit Counts(Corpus& corpus) {
        int row = 0;
        for (auto& volume : corpus.volumes) {
            const search::RowTexts& forms = search::TextsOf(*volume).forms;
            for (int r = 0; r < forms.RowCount(); ++r, ++row) {
                const std::vector<std::string_view> w = WordsOf(forms.At(r));
                std::set<std::string> seen[4];
                for (std::size_t i = 0; i < w.size(); ++i) {
                    seen[0].emplace(w[i]);
                    for (std::size_t n = 1; n <= w[i].size(); ++n)
                        seen[1].emplace(w[i].substr(0, n));
                    if (i + 1 < w.size())
                        seen[2].insert(std::string(w[i]) + " " + std::string(w[i + 1]));
                    if (i + 3 < w.size()) {
                        seen[3].insert(std::string(w[i]) + " " + std::string(w[i + 1]) + " " +
                                       std::string(w[i + 2]) + " " + std::string(w[i + 3]));
                    }
                }
                for (const std::string& s : seen[0]) {
                    ++words[s];
                    rowsOf[s].push_back(row);
                }
                for (const std::string& s : seen[1])
                    ++beginnings[s];
                for (const std::string& s : seen[2])
                    ++pairs[s];
                for (const std::string& s : seen[3])
                    ++fours[s];
            }
        }
    }

    static bool IsWord(const std::string& s) {
        return !s.empty() &&
               std::all_of(s.begin(), s.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    }

    // The key of `counts` nearest to `target` rows among those `fits` accepts, ties by name.
    static std::string Nearest(const std::unordered_map<std::string, int>& counts, int target,
                               const std::function<bool(const std::string&)>& fits) {
        std::string best;
        int distance = 0;
        for (const auto& [key, n] : counts) {
            const int d = std::abs(n - target);
            if (fits(key) && (best.empty() || d < distance || (d == distance && key < best))) {
                best = key;
                distance = d;
            }
        }
        if (best.empty())
            throw std::runtime_error("no query of that kind in the sample corpus");
        return best;
    }

    // Three words of some thousand rows each that a few rows hold together.
    std::string ThreeWords() const {
        std::vector<std::string> candidates;
        for (const auto& [w, n] : words) {
            if (IsWord(w) && n >= 900 && n <= 1600)
                candidates.push_back(w);
        }
        std::sort(candidates.begin(), candidates.end());
        candidates.resize(std::min<std::size_t>(candidates.size(), 24));
        std::string best;
        int distance = 1 << 30;
        const auto together = [&](const std::vector<int>& a, const std::vector<int>& b) {
            std::vector<int> both;
            std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both));
            return both;
        };
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            for (std::size_t j = i + 1; j < candidates.size(); ++j) {
                const std::vector<int> ij =
                    together(rowsOf.at(candidates[i]), rowsOf.at(candidates[j]));
                for (std::size_t k = j + 1; k < candidates.size(); ++k) {
                    const auto n = int(together(ij, rowsOf.at(candidates[k])).size());
                    if (n >= 5 && std::abs(n - 10) < distance) {
                        distance = std::abs(n - 10);
                        best = candidates[i] + " " + candidates[j] + " " + candidates[k];
                    }
                }
            }
        }
        if (best.empty())
            throw std::runtime_error("no three words held together in the sample corpus");
        return best;
    }
};

// The six classes, chosen on the real-size corpus; the 10x corpus holds each about ten times.
std::vector<Class> ChooseClasses(const Counts& counts) {
    const auto word = [&](const std::string& w) { return Counts::IsWord(w) && w.size() >= 4; };
    const auto common = [&](const std::string& w) {
        const auto it = counts.words.find(w);
        return it != counts.words.end() && it->second >= 2500;
    };
    const std::string rare = Counts::Nearest(counts.words, 150, word);
    const std::string frequent = Counts::Nearest(counts.words, 3000, word);
    const std::string beginning =
        Counts::Nearest(counts.beginnings, 2000, [&](const std::string& b) {
            return b.size() == 3 && Counts::IsWord(b) && counts.words.count(b) == 0;
        });
    const std::string pair = Counts::Nearest(counts.pairs, 1500, [&](const std::string& p) {
        const std::size_t space = p.find(' ');
        return common(p.substr(0, space)) && common(p.substr(space + 1));
    });
    const std::string four = Counts::Nearest(counts.fours, 100, [&](const std::string& f) {
        return std::all_of(f.begin(), f.end(),
                           [](char c) { return c == ' ' || (c >= 'A' && c <= 'Z'); });
    });
    return {
        {"rare", "rare word", rare, true, false},
        {"common", "common word", frequent, true, false},
        {"prefix", "beginning of words", beginning, false, false},
        {"phrase2", "phrase of common words", pair, false, true},
        {"words3", "three words in any order", counts.ThreeWords(), true, false},
        {"phrase4", "phrase of four words", four, false, true},
    };
}

// FTS5 over the same sentences, its terms the words between the forms' "#" marks (every other
// character belongs to a word, as in the forms), with the result row's texts kept beside them. Its
// page cache holds the whole index, so that it answers from memory as the engine does.
class Fts5 {
  public:
    Fts5(Corpus& corpus, const fs::path& dir) : dir_(dir) {
        fs::create_directories(dir_);
        db_ = std::make_unique<store::sqlite::Database>(
            dir_ / "fts5.db", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
        std::string wordCharacters;
        for (int c = 33; c < 127; ++c) {
            if (c != '#' && !std::isalnum(c))
                wordCharacters += char(c);
        }
        const auto quoted = [](const std::string& s) {
            std::string q;
            for (const char c : s)
                q += c == '\'' ? "''" : std::string(1, c);
            return "'" + q + "'";
        };
        const std::string tokenizer = "ascii separators '#' tokenchars " + quoted(wordCharacters);
        db_->Exec(
            "CREATE VIRTUAL TABLE s USING fts5(form, referencia UNINDEXED, numero UNINDEXED, "
            "pensamiento UNINDEXED, libro UNINDEXED, tokenize = " +
            quoted(tokenizer) + ")");
        db_->Exec("BEGIN");
        auto insert = db_->Prepare(
            "INSERT INTO s (rowid, form, referencia, numero, pensamiento, libro) VALUES "
            "(?, ?, ?, ?, ?, ?)");
        std::int64_t rowid = 0;
        for (std::size_t v = 0; v < 5; ++v) {
            const search::RowTexts& forms = search::TextsOf(*corpus.volumes[v]).forms;
            for (int r = 0; r < forms.RowCount(); ++r) {
                const Hit row = corpus.ResultRow(v, r);
                insert.BindInt(1, ++rowid);
                insert.BindText(2, store::ToUtf8(forms.At(r)));
                insert.BindText(3, store::ToUtf8(row.referencia));
                insert.BindText(4, store::ToUtf8(row.numero));
                insert.BindText(5, store::ToUtf8(row.pensamiento));
                insert.BindText(6, row.libro);
                insert.Run();
            }
        }
        db_->Exec("COMMIT");
        db_->Exec("INSERT INTO s (s) VALUES ('optimize')");
        db_->Exec("PRAGMA cache_size = -1048576");
        query_ = std::make_unique<store::sqlite::Statement>(db_->Prepare(
            "SELECT referencia, numero, pensamiento, libro FROM s WHERE s MATCH ? ORDER BY rowid"));
        // Its own result table and count, written as the engine writes them.
        store::testing::WriteTable(dir_, "Texto_B.DB", {});
        store::testing::WriteTable(dir_, "Configura.db", {{"0", "", ""}});
        results_ = std::make_unique<store::Table>("Texto_B.DB", "", dir_);
        config_ = std::make_unique<store::Table>("Configura.db", "", dir_);
    }

    // The query for what a class asks: each pattern a phrase of its words, the last one a
    // beginning where the pattern does not close it; all patterns together.
    static std::string Expression(const Class& c) {
        std::string expression;
        for (const std::string& p :
             search::HitPatterns(search::BuildQuery(c.box, c.exactWord), c.exactPhrase)) {
            std::string phrase;
            for (const std::string_view w : WordsOf(p))
                phrase += (phrase.empty() ? "" : " ") + std::string(w);
            expression += (expression.empty() ? "\"" : " AND \"") + phrase + "\"";
            if (p.back() != '#')
                expression += "*";
        }
        return expression;
    }

    // The query alone: the rows the result table needs, in the engine's order.
    std::vector<Hit>& Answer(const std::string& expression) {
        answer_.clear();
        query_->BindText(1, expression);
        while (query_->Step()) {
            answer_.push_back(
                {store::FromUtf8(query_->ColumnText(0)), store::FromUtf8(query_->ColumnText(1)),
                 store::FromUtf8(query_->ColumnText(2)), store::FromUtf8(query_->ColumnText(3))});
        }
        query_->Reset();
        return answer_;
    }

    // The same job as the engine's: the answer written as the result table and its count, as a
    // pair, through the same table engine.
    int Search(const std::string& expression) {
        const std::vector<Hit>& hits = Answer(expression);
        results_->Close();
        results_->SetExclusive(true);
        results_->Open();
        store::Table::Batch batch(*results_, *config_);
        results_->EmptyTable();
        for (const Hit& h : hits) {
            results_->Append();
            results_->SetField("Referencia", h.referencia);
            results_->SetField("Numero", h.numero);
            results_->SetField("Pensamiento", h.pensamiento);
            results_->SetField("Libro", h.libro);
            results_->Post();
        }
        config_->First();
        config_->Edit();
        config_->SetField("Cantidad", std::int64_t(hits.size()));
        config_->Post();
        batch.Commit();
        return int(hits.size());
    }

    fs::path File() const { return dir_ / "fts5.db"; }

  private:
    fs::path dir_;
    std::unique_ptr<store::sqlite::Database> db_;
    std::unique_ptr<store::sqlite::Statement> query_;
    std::unique_ptr<store::Table> results_, config_;
    std::vector<Hit> answer_;
};

// The hits the rules give, row by row, with nothing of the engine's scan: each pattern searched
// in each row's form as a plain substring.
std::vector<Hit> PlainScan(Corpus& corpus, const Class& c) {
    const std::vector<std::string> patterns =
        search::HitPatterns(search::BuildQuery(c.box, c.exactWord), c.exactPhrase);
    std::vector<Hit> hits;
    for (std::size_t v = 0; v < 5; ++v) {
        const search::RowTexts& forms = search::TextsOf(*corpus.volumes[v]).forms;
        for (int r = 0; r < forms.RowCount(); ++r) {
            const std::string_view form = forms.At(r);
            if (std::all_of(patterns.begin(), patterns.end(), [&](const std::string& p) {
                    return form.find(p) != std::string_view::npos;
                })) {
                hits.push_back(corpus.ResultRow(v, r));
            }
        }
    }
    return hits;
}

// SQLite alone, on files of the result table's and the configuration's layout opened with the
// table engine's settings: emptying the result table and inserting the rows of a query in one
// transaction, then storing their count in another, each file stamped with the pair's generation.
// The rows are converted from the tables' Windows-1252 to the UTF-8 the files hold, as any writer
// of these files must.
class SqliteResults {
  public:
    SqliteResults(const std::vector<Hit>& rows) : rows_(rows) {
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
            (*db)->Exec("PRAGMA wal_autocheckpoint=0");
        }
        const std::string table = store::QuoteSqlName(store::SqlTableName(def));
        empty_ = "DELETE FROM " + table;
        insert_ = std::make_unique<store::sqlite::Statement>(
            db_->Prepare("INSERT INTO " + table +
                         " (Referencia, Numero, Pensamiento, Libro) VALUES (?, ?, ?, ?)"));
        Write();  // the table holds as many rows as at every later run
        Checkpoint();
    }
    void Write() {
        const std::string stamp = "PRAGMA user_version = " + std::to_string(++generation_);
        db_->Exec("BEGIN IMMEDIATE");
        config_->Exec("BEGIN IMMEDIATE");
        db_->Exec(empty_);
        for (const Hit& h : rows_) {
            insert_->BindText(1, store::ToUtf8(h.referencia));
            insert_->BindText(2, store::ToUtf8(h.numero));
            insert_->BindText(3, store::ToUtf8(h.pensamiento));
            insert_->BindText(4, store::ToUtf8(h.libro));
            insert_->Run();
        }
        config_->Exec("UPDATE Configura SET Cantidad = " + std::to_string(rows_.size()));
        db_->Exec(stamp);
        db_->Exec("COMMIT");
        config_->Exec(stamp);
        config_->Exec("COMMIT");
    }
    // What the program does when it finds time.
    void Checkpoint() {
        db_->Exec("PRAGMA wal_checkpoint(PASSIVE)");
        config_->Exec("PRAGMA wal_checkpoint(PASSIVE)");
    }

  private:
    store::testing::TempDir dir_;
    std::unique_ptr<store::sqlite::Database> db_, config_;
    std::unique_ptr<store::sqlite::Statement> insert_;
    std::string empty_;
    std::vector<Hit> rows_;
    std::int64_t generation_ = 0;
};

// A gauge as the progress window needs it: progress kept within 0..100, painted off-screen and
// copied in one step when its percentage changes, but at most once a frame.
class PaintingGauge final : public search::Progress {
  public:
    void Show() override {}
    void Repaint() override { Paint(); }
    void SetProgress(int value) override {
        progress_ = std::clamp(value, 0, 100);
        if (progress_ != shown_ &&
            std::chrono::duration<double, std::milli>(Clock::now() - painted_).count() >= 16.0) {
            Paint();
        }
    }
    void AddProgress(int delta) override { SetProgress(progress_ + delta); }
    void Close() override {}

  private:
    static constexpr int kWidth = 297, kHeight = 25;
    void Paint() {
        shown_ = progress_;
        const int bar = (kWidth - 2) * shown_ / 100;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const bool border = x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1;
                offScreen_[std::size_t(y * kWidth + x)] = border        ? 0xFF000000u
                                                          : x - 1 < bar ? 0xFF0000FFu
                                                                        : 0xFFFFFFFFu;
            }
        }
        std::copy(offScreen_.begin(), offScreen_.end(), screen_.begin());
        benchmark::DoNotOptimize(screen_.data());
        painted_ = Clock::now();
    }
    Clock::time_point painted_{};
    int progress_ = 0, shown_ = 0;
    std::vector<std::uint32_t> offScreen_ = std::vector<std::uint32_t>(kWidth * kHeight);
    std::vector<std::uint32_t> screen_ = std::vector<std::uint32_t>(kWidth * kHeight);
};

// Writes over more memory than the processor's caches hold: a search that follows finds none of
// what came before in them, whether that was a large search or a small one (or, in the program,
// whatever the user did in between). The last level of cache can be hundreds of megabytes (this
// machine's says 508 MiB, and a search of 149 hits after a small one still found the forms in it
// after 128 MiB were written: 0.30 ms against 0.50 ms after a large one, and against 0.51 ms
// after a small one once 256 MiB were): as much as the processor says it has, 64 MiB at least.
void EvictCaches() {
    static const long level3 = sysconf(_SC_LEVEL3_CACHE_SIZE);
    static std::vector<char> other(
        std::max<std::size_t>(std::size_t(64) << 20, std::size_t(std::max(level3, 0L))));
    for (std::size_t at = 0; at < other.size(); at += 64)
        ++other[at];
    benchmark::DoNotOptimize(other.data());
}

// What this process has written to files so far (the log's frames and the files'), in bytes.
std::int64_t BytesWritten() {
    std::FILE* f = std::fopen("/proc/self/io", "r");
    if (!f)
        return 0;
    char line[128];
    std::int64_t written = 0;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "wchar:", 6) == 0)
            written = std::atoll(line + 6);
    }
    std::fclose(f);
    return written;
}

// The bytes a timed search wrote, on average, by benchmark.
struct Average {
    double total = 0;
    int count = 0;
    void Add(double v) {
        total += v;
        ++count;
    }
    double Mean() const { return count ? total / count : 0; }
};
std::map<std::string, Average>& Written() {
    static std::map<std::string, Average> written;
    return written;
}

// Peak and current resident memory of this process, in MiB.
std::pair<double, double> Resident() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return {-1, -1};
    char line[256];
    double peak = -1, now = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0)
            peak = std::atof(line + 6) / 1024;
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            now = std::atof(line + 6) / 1024;
    }
    std::fclose(f);
    return {peak, now};
}

// What the program holds of a data directory after a search: every table it opens at start, the
// search's own texts, the result rows.
void OpenAndSearch(const fs::path& data, const Class& c) {
    std::vector<std::unique_ptr<store::Table>> tables;
    for (const store::TableDef& def : store::AllTables()) {
        if (fs::exists(data / def.fileName))
            tables.push_back(std::make_unique<store::Table>(def.fileName, "", data));
    }
    Corpus corpus(data);
    search::NoProgress none;
    corpus.Search(c, none);
}

void FtsQuery(const fs::path& file, const std::string& expression) {
    store::sqlite::Database db(file, SQLITE_OPEN_READONLY);
    auto q = db.Prepare(
        "SELECT referencia, numero, pensamiento, libro FROM s WHERE s MATCH ? ORDER BY rowid");
    q.BindText(1, expression);
    while (q.Step()) {
    }
}

// Measured in a process of its own, which this program starts anew (a fork would count the
// memory of this one): `search_bench --peak DIR BOX EXACTWORD` or `--peak-fts5 FILE EXPRESSION`
// prints the peak resident memory (MiB) after that search.
constexpr const char* kPeak = "--peak";
constexpr const char* kPeakFts5 = "--peak-fts5";

double PeakOf(const std::vector<std::string>& args) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        static char self[] = "/proc/self/exe";
        argv.push_back(self);
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(self, argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, std::size_t(n));
    close(fds[0]);
    int status = 0;
    if (pid > 0)
        waitpid(pid, &status, 0);
    return pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? std::atof(out.c_str()) : -1;
}

int MeasurePeak(int argc, char** argv) {
    try {
        if (std::string(argv[1]) == kPeak && argc == 5)
            OpenAndSearch(argv[2], {"peak", "", argv[3], std::string(argv[4]) == "1", false});
        else if (std::string(argv[1]) == kPeakFts5 && argc == 4)
            FtsQuery(argv[2], argv[3]);
        else
            return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("%.2f\n", Resident().first);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]).rfind(kPeak, 0) == 0)
        return MeasurePeak(argc, argv);
    if (!bench::Start(argc, argv))
        return 1;

    const store::testing::TempDir dir;
    std::map<std::string, std::unique_ptr<Corpus>> corpora;
    std::map<std::string, std::unique_ptr<Fts5>> fts5;
    std::map<std::string, double> firstSearchMs;
    const Class peace{"peace", "", "peace", false, false};
    for (const auto& [tag, scale] : {std::pair{"1x", 1}, std::pair{"10x", 10}}) {
        const fs::path data = dir.path() / tag;
        bench::BuildSample(data, scale);
        // The first search reads the volumes' texts; later ones find them kept.
        search::ForgetVolumeTexts();
        {
            Corpus first(data);
            search::ForgetVolumeTexts();
            search::NoProgress none;
            const double start = CpuMs();
            first.Search(peace, none);
            firstSearchMs[tag] = CpuMs() - start;
        }
        corpora[tag] = std::make_unique<Corpus>(data);
        fts5[tag] =
            std::make_unique<Fts5>(*corpora[tag], dir.path() / (std::string(tag) + "-fts5"));
    }
    Corpus& one = *corpora["1x"];
    const std::vector<Class> classes = ChooseClasses(Counts(one));

    // Every class, its hits checked against FTS5's and a plain scan's before any timing.
    search::NoProgress none;
    std::map<std::string, int> hits;
    std::map<std::string, bool> agree;
    for (const Class& c : classes) {
        for (const auto& [tag, corpus] : corpora) {
            hits[c.key + "/" + tag] = corpus->Search(c, none);
            const std::vector<Hit> engine = corpus->Results();
            agree[c.key + "/" + tag] =
                engine == fts5[tag]->Answer(Fts5::Expression(c)) && engine == PlainScan(*corpus, c);
        }
    }

    // Each figure is registered next to its baselines, and the repetitions of all run interleaved.
    const auto idle = [] { store::RunIdleWork(); };
    for (const Class& c : classes) {
        for (const auto& [tag, corpus] : corpora) {
            Corpus* k = corpus.get();
            Fts5* index = fts5[tag].get();
            const std::string expression = Fts5::Expression(c);
            const std::string name = c.key + "/" + tag;
            Register(
                "search/" + name,
                [k, c] {
                    search::NoProgress p;
                    k->Search(c, p);
                },
                false, idle);
            Register(
                "fts5/" + name, [index, expression] { index->Search(expression); }, false, idle);
            Register("fts5-query/" + name,
                     [index, expression] { benchmark::DoNotOptimize(index->Answer(expression)); });
            // Finding the hits alone, no result written: what the skip data changes; and the same
            // from memory, the caches emptied first, as after other work.
            const auto find = [k, c] {
                const search::Matcher matcher(search::BuildQuery(c.box, c.exactWord),
                                              c.exactPhrase);
                std::vector<int> found;
                for (auto& volume : k->volumes)
                    matcher.FindHits(search::TextsOf(*volume).forms, found);
                benchmark::DoNotOptimize(found.data());
            };
            Register("find/" + name, find);
            benchmark::RegisterBenchmark(("find-cold/" + name).c_str(),
                                         [find](benchmark::State& state) {
                                             for (auto _ : state) {
                                                 state.PauseTiming();
                                                 EvictCaches();
                                                 state.ResumeTiming();
                                                 find();
                                             }
                                         })
                ->Unit(benchmark::kMillisecond)
                ->Iterations(3)
                ->Repetitions(5);
        }
    }
    // Every class from memory: after itself, the program having had time in between as it has
    // when the user types the next query, and the caches emptied by other work; and a search
    // right after one that hit every row, the same way: what is left is the work that the size of
    // the last result adds.
    const Class everyRow{"everyrow", "every row", "?!", false, false};
    for (const Class& c : classes) {
        const bool afterLarge = c.key == "rare" || c.key == "words3";
        for (const auto& [tag, corpus] : corpora) {
            Corpus* k = corpus.get();
            for (const bool large : {true, false}) {
                if (large && !afterLarge)
                    continue;
                const std::string name = (large ? "after-large/" : "cold/") + c.key + "/" + tag;
                auto* b = benchmark::RegisterBenchmark(
                    name.c_str(), [k, c, everyRow, large, name](benchmark::State& state) {
                        search::NoProgress p;
                        for (auto _ : state) {
                            state.PauseTiming();
                            k->Search(large ? everyRow : c, p);
                            store::RunIdleWork();
                            EvictCaches();
                            const std::int64_t before = BytesWritten();
                            state.ResumeTiming();
                            k->Search(c, p);
                            state.PauseTiming();
                            Written()[name].Add(BytesWritten() - before);
                            state.ResumeTiming();
                        }
                    });
                b->Unit(benchmark::kMillisecond)
                    ->Repetitions(afterLarge ? 9 : 5)
                    ->Iterations(std::string(tag) == "1x" ? 10 : 2);
            }
        }
    }
    // SQLite's own writes of each class's rows, at each size: the commit of many rows against
    // them, and what the rows alone bring to the growth from 1x to 10x.
    std::vector<std::unique_ptr<SqliteResults>> raw;
    for (const auto& [tag, corpus] : corpora) {
        for (const Class& c : classes) {
            corpus->Search(c, none);
            SqliteResults* s =
                raw.emplace_back(std::make_unique<SqliteResults>(corpus->Results())).get();
            Register(
                "sqlite/" + c.key + "/" + tag, [s] { s->Write(); }, false,
                [s] { s->Checkpoint(); });
        }
    }
    one.Search(everyRow, none);
    SqliteResults* everyRowRaw =
        raw.emplace_back(std::make_unique<SqliteResults>(one.Results())).get();
    hits["everyrow/1x"] = int(one.Results().size());
    Register(
        "search/everyrow/1x",
        [&one, everyRow] {
            search::NoProgress p;
            one.Search(everyRow, p);
        },
        false, idle);
    Register(
        "sqlite/everyrow/1x", [everyRowRaw] { everyRowRaw->Write(); }, false,
        [everyRowRaw] { everyRowRaw->Checkpoint(); });
    PaintingGauge gauge;
    const Class& rare = classes[0];
    Register(
        "gauge/rare/1x", [&] { one.Search(rare, gauge); }, false, idle);

    // The sizes. Reading the sentences reads every row of the volumes, as a search of every row
    // or a long session does: every figure is of that state, whatever order the repetitions come
    // in.
    struct Sizes {
        int rows;
        std::size_t formBytes, sentenceBytes;
    };
    std::map<std::string, Sizes> sizes;
    for (const auto& [tag, corpus] : corpora)
        sizes[tag] = {corpus->rows, corpus->formBytes, corpus->SentenceBytes()};

    bench::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    // Memory, each size in a process of its own after a rare word's search, this process's
    // handles closed first (the result table's emptying made ahead holds its write lock).
    std::map<std::string, double> peak;
    raw.clear();
    for (const std::string tag : {"1x", "10x"}) {
        const fs::path data = corpora[tag]->data, file = fts5[tag]->File();
        corpora.erase(tag);
        fts5.erase(tag);
        peak[tag] = PeakOf({kPeak, data.string(), rare.box, rare.exactWord ? "1" : "0"});
        peak["fts5/" + tag] = PeakOf({kPeakFts5, file.string(), Fts5::Expression(rare)});
    }

    bench::Figures figures;
    const auto min = [&](const std::string& name) { return collector.Best(name); };
    const auto median = [&](const std::string& name) { return collector.Median(name); };
    const auto described = [&](const Class& c, const std::string& tag) {
        return c.what + " \"" + c.box + "\" " + tag + " (" +
               std::to_string(hits[c.key + "/" + tag]) + " hits)";
    };
    std::printf(
        "\nsample corpus 1x: %d sentences, %.2f MB of search forms; 10x: %d sentences, %.1f MB\n",
        sizes["1x"].rows, double(sizes["1x"].formBytes) / 1e6, sizes["10x"].rows,
        double(sizes["10x"].formBytes) / 1e6);
    std::printf(
        "times: processor time per search, the fastest of the repetitions (the medians on the "
        "line after); a ratio to FTS5 of 0.83 or less is at least 1.2 times as fast\n");
    int disagree = 0;
    for (const auto& [key, same] : agree) {
        disagree += !same;
        if (!same)
            std::printf("[OVER] %s: the engine's hits are not FTS5's and a plain scan's\n",
                        key.c_str());
    }
    if (disagree == 0) {
        std::printf(
            "[ok] hits of all %zu classes at 1x and 10x: the engine's, FTS5's and a plain "
            "scan's are the same rows\n",
            classes.size());
    }
    for (const Class& c : classes) {
        for (const std::string tag : {"1x", "10x"}) {
            const std::string name = c.key + "/" + tag;
            // Faster by at least 1.2: at most 1/1.2 of the baseline's time.
            figures.Line(described(c, tag) + " vs FTS5 answering and writing the same results",
                         min("search/" + name), min("fts5/" + name), "FTS5", 1 / 1.2, "ms");
            figures.Line(described(c, tag) + ", medians", median("search/" + name),
                         median("fts5/" + name), "FTS5", 0, "ms");
            figures.Line(described(c, tag) + " vs the FTS5 query alone, no results written",
                         min("search/" + name), min("fts5-query/" + name), "the FTS5 query", 0,
                         "ms");
        }
    }
    // Growth: linear is the ceiling, in the corpus or in the hits where they grow more, for
    // searches from memory at both sizes. Searches repeated at once find the 1x forms and
    // sentences in the processor's caches, which the 10x ones outgrow: their growth is shown
    // beside, with finding the hits alone both ways and SQLite's own writing of the same rows.
    const auto times = [](double x) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1fx", x);
        return std::string(text);
    };
    for (const Class& c : classes) {
        const std::string k = c.key;
        const double hitGrowth = double(hits[k + "/10x"]) / std::max(1, hits[k + "/1x"]);
        figures.Line(
            "growth 10x/1x from memory (" + times(hitGrowth) + " the hits), " + described(c, "10x"),
            min("cold/" + k + "/10x"), min("cold/" + k + "/1x"), "at 1x",
            10.0 * std::max(1.0, hitGrowth / 10), "ms");
        const double warm = min("search/" + k + "/10x") / min("search/" + k + "/1x");
        const std::string why =
            "finding the hits alone grows " +
            times(min("find/" + k + "/10x") / min("find/" + k + "/1x")) + " repeated, " +
            times(min("find-cold/" + k + "/10x") / min("find-cold/" + k + "/1x")) +
            " from memory; SQLite's own writing of the same rows grows " +
            times(min("sqlite/" + k + "/10x") / min("sqlite/" + k + "/1x"));
        if (warm <= 10.0 * std::max(1.0, hitGrowth / 10)) {
            figures.Line("growth 10x/1x repeated, " + described(c, "10x") + " (" + why + ")",
                         min("search/" + k + "/10x"), min("search/" + k + "/1x"), "at 1x", 0, "ms");
        } else {
            figures.Explained("growth 10x/1x repeated, " + described(c, "10x"),
                              min("search/" + k + "/10x"), min("search/" + k + "/1x"), "at 1x",
                              10.0 * std::max(1.0, hitGrowth / 10), "ms",
                              "the 1x forms and sentences stay in the processor's caches between "
                              "searches repeated at once, the 10x ones do not (" +
                                  why + ")");
        }
        figures.Line("growth 10x/1x of FTS5 answering and writing, " + c.what,
                     min("fts5/" + k + "/10x"), min("fts5/" + k + "/1x"), "at 1x", 0, "ms");
    }
    // After a large search the commit also writes the list of the pages the large result leaves
    // free (a page of it for each 1,022 pages): shown in the bytes the search wrote.
    for (const char* key : {"rare", "words3"}) {
        const Class& c = *std::find_if(classes.begin(), classes.end(),
                                       [&](const Class& x) { return x.key == key; });
        for (const std::string tag : {"1x", "10x"}) {
            const std::string what = described(c, tag) + " right after a search of every row (" +
                                     std::to_string(sizes[tag].rows) +
                                     " hits), caches emptied in both, medians";
            const double after = median("after-large/" + c.key + "/" + tag);
            const double before = median("cold/" + c.key + "/" + tag);
            const double more = Written()["after-large/" + c.key + "/" + tag].Mean() -
                                Written()["cold/" + c.key + "/" + tag].Mean();
            if (before > 0 && after / before > 1.1 && after / before <= 1.25 && more >= 4096) {
                char reason[160];
                std::snprintf(reason, sizeof reason,
                              "its commit writes %.0f KiB more, the list of the pages the large "
                              "result left free",
                              more / 1024);
                figures.Explained(what, after, before, "after a small one", 1.1, "ms", reason);
            } else {
                figures.Line(what, after, before, "after a small one", 1.1, "ms");
            }
        }
    }
    figures.Line(described(classes[1], "1x") + ", its results committed", min("search/common/1x"),
                 min("sqlite/common/1x"), "SQLite's own emptying, inserting and counting", 1.5,
                 "ms");
    figures.Line("every row \"?!\" 1x (" + std::to_string(hits["everyrow/1x"]) + " hits)",
                 min("search/everyrow/1x"), min("sqlite/everyrow/1x"),
                 "SQLite's own emptying, inserting and counting", 1.5, "ms");
    figures.Line(described(rare, "1x") + " with a gauge painting at most once a frame",
                 min("gauge/rare/1x"), min("search/rare/1x"), "without progress window", 1.05,
                 "ms");
    std::printf(
        "[info] first search after start, reading the volumes' forms and building their skip "
        "data: %.1f ms at 1x, %.1f ms at 10x\n",
        firstSearchMs["1x"], firstSearchMs["10x"]);
    const double forms10 = double(sizes["10x"].formBytes) / (1 << 20);
    const double sentences10 = double(sizes["10x"].sentenceBytes) / (1 << 20);
    std::printf(
        "[info] peak resident memory after a search: %.1f MiB at 1x, %.1f MiB at 10x; the "
        "sentences, read only for the rows a window or a result row needs, are %.1f MiB at 10x\n",
        peak["1x"], peak["10x"], sentences10);
    figures.Line("peak resident memory after a search at 10x over the 1x base",
                 peak["10x"] - peak["1x"], forms10, "of search forms at 10x", 2.0, "MiB");
    std::printf(
        "[info] FTS5 (its own process, its default page cache) after the same query: "
        "%.1f MiB at 1x, %.1f MiB at 10x\n",
        peak["fts5/1x"], peak["fts5/10x"]);
    return figures.Over() + disagree == 0 ? 0 : 1;
}
