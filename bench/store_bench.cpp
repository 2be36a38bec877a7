// The table engine against SQLite itself, on a synthetic corpus of the real size: loading every
// content table, and filling the result table as a search does. Each engine figure is printed as
// a ratio to the raw SQLite figure measured in the same run.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "store/Schema.h"
#include "store/Sqlite.h"
#include "store/Table.h"
#include "store/TableFile.h"
#include "store/Text.h"

namespace {

using namespace veloria::store;
using Clock = std::chrono::steady_clock;

// Wall-clock and this thread's processor time; the machine may be shared, and processor time
// is the steadier of the two there.
struct Stopwatch {
    Clock::time_point wall = Clock::now();
    double cpu = CpuMs();
    static double CpuMs() {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
    }
};

struct Spent {
    double wallMs = 0, cpuMs = 0;
    void Add(const Stopwatch& since) {
        wallMs += std::chrono::duration<double, std::milli>(Clock::now() - since.wall).count();
        cpuMs += Stopwatch::CpuMs() - since.cpu;
    }
};

constexpr int kVolumeRows[] = {18200, 9700, 2100, 600, 600};

// Words of the synthetic prose, some with Windows-1252 accents.
const std::vector<std::string> kWords = {"the",
                                         "light",
                                         "of",
                                         "peace",
                                         "is",
                                         "given",
                                         "to",
                                         "you",
                                         "and",
                                         "all",
                                         "your",
                                         "brothers",
                                         "mind",
                                         "which",
                                         "holds",
                                         "no",
                                         "fear",
                                         "for",
                                         "love",
                                         "forgives",
                                         "truth",
                                         "remains",
                                         "un-changed",
                                         "within",
                                         "caf\xE9",
                                         "\xE9l",
                                         "coraz\xF3n",
                                         "Mar\xED"
                                         "a",
                                         "\xC1ngel",
                                         "ni\xF1o",
                                         "d\xED"
                                         "a's",
                                         "1975",
                                         "world",
                                         "sees",
                                         "what",
                                         "it",
                                         "believes",
                                         "quietly",
                                         "waiting",
                                         "holy"};

class Corpus {
  public:
    Corpus() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "veloria-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        Build();
    }
    ~Corpus() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::filesystem::path& dir() const { return dir_; }

  private:
    std::string Sentence() {
        const std::size_t length = std::uniform_int_distribution<std::size_t>(20, 400)(rng_);
        std::string s;
        while (s.size() < length) {
            if (!s.empty())
                s += ' ';
            s += kWords[std::uniform_int_distribution<std::size_t>(0, kWords.size() - 1)(rng_)];
        }
        s.resize(length);
        return s + ".";
    }

    // The search form "#WORD#WORD#", cut on word boundaries into four fields.
    static std::vector<std::string> Forms(const std::string& sentence) {
        std::string form = "#";
        for (char c : NormaliseSearchText(UpperCaseLetters(sentence))) {
            if (c == ' ') {
                if (form.back() != '#')
                    form += '#';
            } else {
                form += c;
            }
        }
        if (form.back() != '#')
            form += '#';
        std::vector<std::string> pieces(4);
        std::size_t at = 0;
        for (auto& piece : pieces) {
            if (at >= form.size())
                break;
            std::size_t end = std::min(form.size(), at + 255);
            if (end < form.size())
                end = form.rfind('#', end - 1) + 1;
            piece = form.substr(at, end - at);
            at = end;
        }
        return pieces;
    }

    void Write(std::string_view table, const std::vector<std::vector<std::string>>& rows) {
        TableWriter writer(dir_ / table, *FindTableDef(table));
        for (const auto& row : rows)
            writer.AddRow(row);
        writer.Finish();
    }

    void Build() {
        const auto volumes = Volumes();
        for (std::size_t v = 0; v < volumes.size(); ++v) {
            std::vector<std::vector<std::string>> rows, index;
            for (int i = 1; i <= kVolumeRows[v]; ++i) {
                const std::string s = Sentence();
                const int section = 1 + i / 40;
                std::vector<std::string> row = {std::to_string(i),
                                                s,
                                                std::string(1, volumes[v].code) + "-" +
                                                    std::to_string(section) + "." +
                                                    std::to_string(i % 40 + 1),
                                                std::to_string(1 + i / 12),
                                                i % 17 == 0 ? "40012/" : "",
                                                std::to_string(section),
                                                std::to_string(1 + i / 6)};
                for (auto& form : Forms(s))
                    row.push_back(std::move(form));
                rows.push_back(std::move(row));
                if (i % 40 == 0 || i == 1) {
                    index.push_back({std::to_string(section), "CHAPTER " + std::to_string(i / 400),
                                     "Section " + std::to_string(section)});
                }
            }
            Write(volumes[v].volumeTable, rows);
            Write(volumes[v].indexTable, index);
        }
        std::vector<std::vector<std::string>> glossary, bible, verses, tips;
        for (int i = 0; i < 160; ++i) {
            std::vector<std::string> row = {"TERM" + std::to_string(1000 + i),
                                            "term " + std::to_string(i)};
            for (int u = 0; u < 7; ++u)
                row.push_back(u < 3 ? Sentence() : "");
            row.push_back(std::string(27, '0'));
            glossary.push_back(std::move(row));
        }
        for (int i = 0; i < 404; ++i) {
            std::vector<std::string> row = {std::to_string(40000 + i),
                                            "John 1:" + std::to_string(i), "John"};
            for (int u = 0; u < 13; ++u)
                row.push_back(u < 2 ? Sentence() : "");
            for (int c = 0; c < 4; ++c)
                row.push_back(c == 0 ? "T00017/" : "");
            bible.push_back(std::move(row));
        }
        for (int i = 0; i < 1121; ++i) {
            verses.push_back({"T", std::to_string(i), "T-1." + std::to_string(i), Sentence()});
        }
        for (int i = 1; i <= 880; ++i)
            tips.push_back({std::to_string(i), Sentence()});
        Write("Glosario.DB", glossary);
        Write("Biblia.DB", bible);
        Write("VLBiblia.DB", verses);
        Write("Frases.DB", tips);
        Write("Texto_B.DB", {});
    }

    std::filesystem::path dir_;
    std::mt19937 rng_{20240501};
};

const Corpus& TheCorpus() {
    static const Corpus corpus;
    return corpus;
}

std::vector<const TableDef*> ContentTables() {
    std::vector<const TableDef*> tables;
    for (const TableDef& def : AllTables()) {
        if (def.content)
            tables.push_back(&def);
    }
    return tables;
}

// Milliseconds per iteration of the last run of each benchmark, for the closing summary.
std::map<std::string, Spent>& Figures() {
    static std::map<std::string, Spent> figures;
    return figures;
}

void Record(benchmark::State& state, const std::string& name, Spent total) {
    const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    Figures()[name] = {total.wallMs / n, total.cpuMs / n};
}

// Every content table opened through the engine, the rows loaded and converted; the handles
// close at the end of each iteration, so every iteration loads afresh.
void LoadEngine(benchmark::State& state) {
    const auto& corpus = TheCorpus();
    const auto tables = ContentTables();
    Spent total;
    std::int64_t rows = 0;
    for (auto _ : state) {
        const Stopwatch start;
        std::vector<Table> handles;
        handles.reserve(tables.size());
        for (const TableDef* def : tables)
            handles.emplace_back(def->fileName, "", corpus.dir());
        rows = 0;
        for (const Table& t : handles)
            rows += t.RowCount();
        handles.clear();
        total.Add(start);
    }
    state.counters["rows"] = double(rows);
    Record(state, "load", total);
}

// SQLite on its own: open each table and step through it reading every column as text. Its
// connections are opened as the engine's are (no mutex: one thread), so that the ratio is the
// engine's own cost.
void LoadRawSqlite(benchmark::State& state) {
    const auto& corpus = TheCorpus();
    const auto tables = ContentTables();
    Spent total;
    std::int64_t rows = 0;
    for (auto _ : state) {
        const Stopwatch start;
        std::size_t bytes = 0;
        rows = 0;
        for (const TableDef* def : tables) {
            veloria::store::sqlite::Database db(corpus.dir() / def->fileName,
                                                SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
            auto select = db.Prepare("SELECT * FROM " + QuoteSqlName(SqlTableName(*def)));
            const int columns = select.ColumnCount();
            while (select.Step()) {
                for (int c = 0; c < columns; ++c)
                    bytes += select.ColumnText(c).size();
                ++rows;
            }
        }
        benchmark::DoNotOptimize(bytes);
        total.Add(start);
    }
    state.counters["rows"] = double(rows);
    Record(state, "load-raw", total);
}

// The start's one sentence: the largest volume opened afresh, a sentence found by its number and
// read with its reference, as the main window shows it before any other use of the volume.
void SentenceAtStartEngine(benchmark::State& state) {
    const auto& corpus = TheCorpus();
    const std::string table(Volumes()[0].volumeTable);
    Spent total;
    for (auto _ : state) {
        const Stopwatch start;
        Table volume(table, "", corpus.dir());
        if (!volume.FindKey("9100"))
            state.SkipWithError("no sentence 9100");
        benchmark::DoNotOptimize(volume.FieldAsString("Umemo") +
                                 volume.FieldAsString("Referencia"));
        total.Add(start);
    }
    Record(state, "sentence", total);
}

// SQLite on its own: the same file opened, the same row read by its id.
void SentenceAtStartRawSqlite(benchmark::State& state) {
    const auto& corpus = TheCorpus();
    const TableDef& def = *FindTableDef(Volumes()[0].volumeTable);
    Spent total;
    for (auto _ : state) {
        const Stopwatch start;
        veloria::store::sqlite::Database db(corpus.dir() / def.fileName,
                                            SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
        auto select = db.Prepare("SELECT Umemo, Referencia FROM " +
                                 QuoteSqlName(SqlTableName(def)) + " WHERE rowid = 9100");
        if (!select.Step())
            state.SkipWithError("no sentence 9100");
        benchmark::DoNotOptimize(std::string(select.ColumnText(0)) +
                                 std::string(select.ColumnText(1)));
        total.Add(start);
    }
    Record(state, "sentence-raw", total);
}

std::string Pensamiento(int i) {
    return "A result sentence cut to eighty characters, number " + std::to_string(i) +
           ", with caf\xE9 in it";
}

// A search's writes: empty "Texto_B.DB" and append n result rows through a handle, in a batch.
void AppendEngine(benchmark::State& state) {
    const int n = int(state.range(0));
    Table t("Texto_B.DB", "", TheCorpus().dir());
    Spent total;
    for (auto _ : state) {
        const Stopwatch start;
        Table::Batch batch(t);
        t.EmptyTable();
        for (int i = 0; i < n; ++i) {
            t.Append();
            t.SetField("Referencia", "T-12.3.45");
            t.SetField("Numero", std::to_string(i + 1));
            t.SetField("Pensamiento", Pensamiento(i));
            t.SetField("Libro", "T");
            t.Post();
        }
        batch.Commit();
        total.Add(start);
    }
    Record(state, "append-" + std::to_string(n), total);
}

// The same rows with SQLite alone, on the same file with the same settings: one transaction of
// DELETE and INSERTs.
void AppendRawSqlite(benchmark::State& state) {
    const int n = int(state.range(0));
    veloria::store::sqlite::Database db(TheCorpus().dir() / "Texto_B.DB",
                                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    db.QueryText("PRAGMA journal_mode=WAL");
    db.Exec("PRAGMA synchronous=NORMAL");
    db.Exec("PRAGMA secure_delete=OFF");
    auto insert = db.Prepare(
        "INSERT INTO Texto_B (Referencia, Numero, Pensamiento, Libro) VALUES (?, ?, ?, ?)");
    Spent total;
    for (auto _ : state) {
        const Stopwatch start;
        db.Exec("BEGIN IMMEDIATE");
        db.Exec("DELETE FROM Texto_B");
        for (int i = 0; i < n; ++i) {
            insert.BindText(1, "T-12.3.45");
            insert.BindText(2, std::to_string(i + 1));
            insert.BindText(3, ToUtf8(Pensamiento(i)));
            insert.BindText(4, "T");
            insert.Run();
        }
        db.Exec("COMMIT");
        total.Add(start);
    }
    Record(state, "append-raw-" + std::to_string(n), total);
}

BENCHMARK(LoadEngine)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadRawSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(SentenceAtStartEngine)->Unit(benchmark::kMillisecond);
BENCHMARK(SentenceAtStartRawSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(AppendEngine)->Arg(100)->Arg(3000)->Arg(31200)->Unit(benchmark::kMillisecond);
BENCHMARK(AppendRawSqlite)->Arg(100)->Arg(3000)->Arg(31200)->Unit(benchmark::kMillisecond);

void Summary(const std::string& what, const std::string& engine, const std::string& raw,
             const char* bound) {
    auto& f = Figures();
    if (!f.count(engine) || !f.count(raw))
        return;
    const Spent e = f[engine], r = f[raw];
    std::printf(
        "%s: %.3f ms, baseline %.3f ms, ratio %.2f%s; processor time %.3f ms, baseline "
        "%.3f ms, ratio %.2f\n",
        what.c_str(), e.wallMs, r.wallMs, e.wallMs / r.wallMs, bound, e.cpuMs, r.cpuMs,
        e.cpuMs / r.cpuMs);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TheCorpus();  // built before any timing
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\n");
    Summary("load all content tables", "load", "load-raw", " (bound 2.0)");
    Summary("a sentence of a volume not read yet, as at the start", "sentence", "sentence-raw", "");
    for (int n : {100, 3000, 31200}) {
        Summary("append " + std::to_string(n) + " rows to Texto_B.DB in a batch",
                "append-" + std::to_string(n), "append-raw-" + std::to_string(n), "");
    }
    return 0;
}
