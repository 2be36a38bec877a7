// The Bible windows on the sample corpus. Every figure is printed as a ratio to a baseline
// measured in the same run:
//   - the sentences citing one verse, for the sample's most cited verse and for a list of 300
//     entries: the window's activation (its table rewritten in one batch, the first row shown and
//     painted) against SQLite's own empty-and-insert of as many rows, on a copy of the same file
//     with the same settings; the whole opening against one frame at 60 Hz;
//   - the passage viewer for a sentence citing five passages, likewise;
//   - a step through the 1121 rows of the list of citing sentences ("->": the move, the list
//     repainted at once as the step asks, the sentence found and shown, counter and bar) against a
//     bare FindKey of the row's sentence, and a step with the whole window painted against one
//     frame.
// Lines marked "info" carry no bound.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/uGlobal.h"
#include "bench/Figures.h"
#include "bench/SampleData.h"
#include "bench/WindowBench.h"
#include "bible/PABVeloria.h"
#include "bible/PaBc.h"
#include "bible/PaBiblia.h"
#include "bible/PaCB.h"
#include "store/RefLists.h"
#include "store/Schema.h"
#include "store/Sqlite.h"
#include "store/Table.h"
#include "store/TableFile.h"
#include "store/Text.h"
#include "store/VolumeTables.h"
#include "tests/store/TempDir.h"
#include "tools/CorpusBuilder.h"
#include "tools/SampleCorpus.h"
#include "widgets/Application.h"

namespace {

using namespace veloria;
using veloria::bench::CpuMs;
using veloria::bench::Register;
namespace fs = std::filesystem;

constexpr double kFrameMs = 1e3 / 60;

// The fastest of several runs, in milliseconds of processor time.
double Best(int runs, const std::function<double()>& run) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, run());
    return best;
}

// SQLite alone rewriting a copy of a working table: one transaction of DELETE and INSERTs of the
// given rows, on the settings the table engine gives the tables the program writes.
class RawRewrite {
  public:
    RawRewrite(const fs::path& from, std::string_view fileName) {
        const store::TableDef& def = *store::FindTableDef(fileName);
        fs::copy_file(from / def.fileName, dir_.path() / def.fileName);
        db_ = std::make_unique<store::sqlite::Database>(
            dir_.path() / def.fileName, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
        db_->QueryText("PRAGMA journal_mode=WAL");
        db_->Exec("PRAGMA synchronous=NORMAL");
        const std::string table = store::QuoteSqlName(store::SqlTableName(def));
        erase_ = "DELETE FROM " + table;
        std::string sql = "INSERT INTO " + table + " VALUES (";
        for (std::size_t i = 0; i < def.fields.size(); ++i)
            sql += i ? ", ?" : "?";
        insert_ = std::make_unique<store::sqlite::Statement>(db_->Prepare(sql + ")"));
    }

    void Run(const std::vector<std::vector<std::string>>& rows) {
        db_->Exec("BEGIN IMMEDIATE");
        db_->Exec(erase_);
        for (const auto& row : rows) {
            for (std::size_t c = 0; c < row.size(); ++c)
                insert_->BindText(int(c) + 1, store::ToUtf8(row[c]));
            insert_->Run();
        }
        db_->Exec("COMMIT");
    }

  private:
    store::testing::TempDir dir_;
    std::unique_ptr<store::sqlite::Database> db_;
    std::unique_ptr<store::sqlite::Statement> insert_;
    std::string erase_;
};

// The rows the citing-sentence window writes for a list, found here through handles of our own.
std::vector<std::vector<std::string>> CitingRows(const std::string& list,
                                                 store::VolumeTables& volumes) {
    std::vector<std::vector<std::string>> rows;
    for (const store::SentenceEntry& e : store::SentenceEntries(list)) {
        const store::Table* book = volumes.FindSentence(e.code, e.number);
        rows.push_back({std::string(e.code), std::string(e.number),
                        book ? book->FieldAsString("Referencia") : "",
                        book ? book->FieldAsString("Pagina") : "",
                        book ? store::Trim(book->FieldView("Umemo")) : ""});
    }
    return rows;
}

// Paints what the window has to paint, as the window system has it painted: the showing's
// exposure and every update the handlers asked for. (A repaint asked for before the window
// system has handled a showing paints nothing.)
void Paint(widgets::TForm&) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// Opens a window as its opener does and stops the clock once its first row is painted.
double OpenMs(widgets::TForm& form) {
    double ms = 0;
    const double start = CpuMs();
    form.AfterShowing([&] {
        Paint(form);
        ms = CpuMs() - start;
        form.Close();
    });
    form.ShowModal();
    return ms;
}

// The activation alone on a window that stands open: the rewrite, the first row shown, painted.
template <class W>
double ActivationMs(W& window) {
    const double start = CpuMs();
    window.FormActivate();
    Paint(window);
    return CpuMs() - start;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<QApplication> app;
    if (!bench::StartWindows(argc, argv, app))
        return 1;

    const store::testing::TempDir dir;
    const fs::path data = dir.path() / "data";
    bench::BuildSample(data);
    const fs::path previous = fs::current_path();
    fs::current_path(data);
    FBiblia = new TFBiblia;
    FB_Veloria = new TFB_Veloria;
    FBC = new TFBC;
    FCurBi = new TFCurBi;
    store::VolumeTables volumes;

    // The most cited verse, and a list of 300 entries from the citing sentences.
    std::string mostCited;
    std::size_t mostEntries = 0;
    {
        store::Table bible("Biblia.DB");
        for (bible.First(); !bible.Eof(); bible.Next()) {
            std::string list;
            for (const char* field : {"C1", "C2", "C3", "C4"})
                list += store::Trim(bible.FieldView(field));
            if (const std::size_t n = store::SentenceEntries(list).size(); n > mostEntries)
                mostCited = list, mostEntries = n;
            if (bible.RecNo() == bible.RowCount())
                break;
        }
    }
    std::string list300;
    {
        store::Table citing("VLBiblia.DB");
        for (int i = 0; i < 300; ++i, citing.Next())
            list300 += citing.FieldAsString("Libro") + citing.FieldAsString("Numero") + "/";
    }
    const std::string fivePassages = "1/2/3/4/5/";

    RawRewrite rawCiting(data, "Texto2B.DB");
    RawRewrite rawPassages(data, "TBiblia.db");
    const auto mostRows = CitingRows(mostCited, volumes);
    const auto rows300 = CitingRows(list300, volumes);
    std::vector<std::vector<std::string>> passageRows;
    {
        store::Table bible("Biblia.DB", "NUMERO");
        for (std::string_view key : store::PassageKeys(fivePassages)) {
            bible.FindKey(key);
            passageRows.push_back({bible.FieldAsString("REFERENCIA"), std::string(key)});
        }
    }

    // Openings: each window opened once first, as at a first use; the figures are the fastest
    // of several later openings.
    std::map<std::string, double> opening, activation;
    const auto measureOpenings = [&](const std::string& tag, widgets::TForm& form,
                                     const std::function<void()> prepare,
                                     const std::function<double()>& activate) {
        prepare();
        OpenMs(form);
        opening[tag] = Best(8, [&] { return OpenMs(form); });
        form.Show();
        Paint(form);
        activation[tag] = Best(8, activate);
        form.Hide();
    };
    measureOpenings(
        "citing/most", *FB_Veloria, [&] { uGlobal::VerseRefList = mostCited; },
        [&] { return ActivationMs(*FB_Veloria); });
    measureOpenings(
        "citing/300", *FB_Veloria, [&] { uGlobal::VerseRefList = list300; },
        [&] { return ActivationMs(*FB_Veloria); });
    measureOpenings(
        "viewer/5", *FBiblia, [&] { uGlobal::BibleRefList = fivePassages; },
        [&] { return ActivationMs(*FBiblia); });

    // Steps through the list of citing sentences, standing open with its list focused.
    FCurBi->Show();
    Paint(*FCurBi);
    FCurBi->DBGrid1->SetFocus();
    const int steps = 1121;
    std::vector<std::pair<std::string, std::string>> sentences;
    {
        store::Table citing("VLBiblia.DB");
        for (int i = 0; i < steps; ++i, citing.Next())
            sentences.emplace_back(citing.FieldAsString("Libro"), citing.FieldAsString("Numero"));
    }
    Register("citing/most/sqlite", [&] { rawCiting.Run(mostRows); });
    Register("citing/300/sqlite", [&] { rawCiting.Run(rows300); });
    Register("viewer/5/sqlite", [&] { rawPassages.Run(passageRows); });
    Register("steps/window", [&] {
        FCurBi->dxButton4->Click();
        for (int i = 1; i < steps; ++i)
            FCurBi->dxButton6->Click();
    });
    Register("steps/painted", [&] {
        FCurBi->dxButton4->Click();
        for (int i = 1; i < 120; ++i) {
            FCurBi->dxButton6->Click();
            Paint(*FCurBi);
        }
    });
    Register("steps/findkey", [&] {
        for (const auto& [code, numero] : sentences)
            benchmark::DoNotOptimize(volumes.FindSentence(code, numero));
    });

    bench::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();
    const auto get = [&](const std::string& name) { return collector.Best(name); };
    bench::Figures figures;

    std::printf("\nmost cited verse: %zu sentences; the longest list: 300\n", mostEntries);
    for (const auto& [tag, what] : std::vector<std::pair<std::string, std::string>>{
             {"citing/most",
              "sentences citing the most cited verse (" + std::to_string(mostEntries) + " rows)"},
             {"citing/300", "sentences citing a verse, 300 rows"},
             {"viewer/5", "passage viewer, a sentence citing five passages"}}) {
        figures.Line(what + ": activation, table rewritten and first row painted", activation[tag],
                     get(tag + "/sqlite"), "SQLite's empty-and-insert", 0, "ms");
        figures.Line(what + ": opened to its first row painted", opening[tag], kFrameMs,
                     "one frame at 60 Hz", 1.0, "ms");
    }
    figures.Line(
        "a step through the citing sentences (move, list repainted, sentence, counter, bar)",
        get("steps/window") * 1e3 / steps, get("steps/findkey") * 1e3 / steps, "a bare FindKey", 0,
        "us");
    figures.Line("a step through the citing sentences, the window painted",
                 get("steps/painted") / 119, kFrameMs, "one frame at 60 Hz", 1.0, "ms");

    delete FCurBi;
    delete FBC;
    delete FB_Veloria;
    delete FBiblia;
    fs::current_path(previous);
    return figures.Over() == 0 ? 0 : 1;
}
