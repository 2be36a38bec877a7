// What the user keeps and takes out, on the sample corpus. Every figure is printed as a ratio to a
// baseline measured in the same run:
//   - exporting 25,000 hits to a text, HTML and CSV file (the sentences found with their volume
//     and headings, the file rendered and written whole) against writing the same bytes with the
//     same whole-file write; and against one second;
//   - the main window's display step with 10,000 bookmarks stored (one on the hit shown, with a
//     note) against the same step with none, and the time the mark adds against one frame;
//   - the opening of that store as the start opens it, its check of every page left for the
//     first paint, against the opening with that check.
// Lines marked "info" carry no bound.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/Program.h"
#include "bench/Figures.h"
#include "bench/SampleData.h"
#include "bench/WindowBench.h"
#include "export/Passages.h"
#include "reading/Principal.h"
#include "store/Schema.h"
#include "store/Table.h"
#include "study/BookmarkFile.h"
#include "study/Study.h"
#include "tests/store/TempDir.h"
#include "tip/PaFrase.h"
#include "widgets/Application.h"
#include "widgets/Testing.h"

namespace {

using namespace veloria;
using veloria::bench::Register;

constexpr int kHits = 25000;
constexpr int kBookmarks = 10000;

// The sample corpus in a data directory, with 25,000 hits over the Text's sentences, again and
// again, as the last search's results.
int PrepareData(const std::filesystem::path& data) {
    bench::BuildSample(data);
    bench::AddProgramFiles(data);
    const store::Table text(store::Volumes()[0].volumeTable, "", data);
    const int numero = store::FieldIndex(text.Def(), "Numero");
    const int sentences = text.RowCount();
    store::Table results("Texto_B.DB", "", data);
    results.EmptyTable();
    for (int n = 0; n < kHits; ++n) {
        results.Append();
        results.SetField("Referencia", "ref");
        results.SetField("Numero", text.CellAsString(1 + n % sentences, numero));
        results.SetField("Pensamiento", "sentence");
        results.SetField("Libro", "T");
        results.Post();
    }
    store::Table config("Configura.db", "", data);
    config.First();
    config.Edit();
    config.SetField("Cantidad", std::int64_t(kHits));
    config.Post();
    return sentences;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<QApplication> app;
    if (!bench::StartWindows(argc, argv, app))
        return 1;

    const store::testing::TempDir dir;
    const int sentences = PrepareData(dir.path());
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);

    // ---- The exports, as the main window's makes them.
    const std::vector<std::string> title =
        exporting::SearchTitle(study::SearchSpec{"LOVE", {}, false, {true}}, kHits);
    const auto file = dir.path() / "export.out";
    const std::pair<exporting::Form, const char*> forms[] = {{exporting::Form::Text, "text"},
                                                             {exporting::Form::Html, "html"},
                                                             {exporting::Form::Csv, "csv"}};
    std::map<std::string, std::string> bytes;
    for (const auto& [form, name] : forms) {
        const exporting::Form f = form;
        const std::string n = name;
        Register("export/" + n, [&, f, n] {
            store::Table results("Texto_B.DB");
            store::VolumeTables volumes(store::VolumeTables::Headings::With);
            const auto passages = exporting::ResultPassages(results, kHits, volumes);
            if (passages.size() != std::size_t(kHits))
                throw std::runtime_error("not every hit was found");
            study::WriteWholeFile(file, exporting::Render(title, passages, f, false));
        });
        {
            store::Table results("Texto_B.DB");
            store::VolumeTables volumes(store::VolumeTables::Headings::With);
            bytes[n] = exporting::Render(title, exporting::ResultPassages(results, kHits, volumes),
                                         f, false);
        }
        Register("write/" + n, [&, n] { study::WriteWholeFile(file, bytes[n]); });
    }

    // ---- The display step with bookmarks and without. The bookmarks lie in a study store of
    // their own, every one with a note of a few lines as a daily reader's grow (some 3 MB in
    // all); a measure opens the store it needs before its timing, as the benchmarks run in any
    // order.
    const auto markedDir = dir.path() / "marked";
    std::filesystem::create_directory(markedDir);
    {
        std::vector<study::Bookmark> marks;
        for (int n = 1; n <= kBookmarks; ++n) {
            marks.push_back({0,
                             {'T', n},
                             "T-" + std::to_string(n),
                             n == 1 ? "A note on the first hit." : std::string(240, 'n'),
                             1765000000,
                             1765000000});
        }
        study::WriteWholeFile(markedDir / "bookmarks.csv", study::FormatBookmarkFile(marks));
        study::StudyStore(markedDir).ImportBookmarks(markedDir / "bookmarks.csv");
    }
    TForm1& f = bench::ShowProgram();
    const auto use = [](const std::filesystem::path& studyDir) {
        return [studyDir] {
            if (study::Study() && study::Study()->File().parent_path() == studyDir)
                return;
            study::CloseStudy();
            if (const std::string problem = study::OpenStudy(studyDir); !problem.empty())
                throw std::runtime_error(problem);
        };
    };
    const auto display = [&] {
        f.Texto_B.First();
        f.DBGrid1KeyUp();
    };
    Register("display/none", display, false, {}, use(dir.path()));
    Register(
        "display/bookmarks",
        [&] {
            display();
            if (f.MarkLabel->Caption().empty())
                throw std::runtime_error("the hit shown has no bookmark");
        },
        false, {}, use(markedDir));

    // ---- The opening of that store as the start opens it, the check of its every page left for
    // the first paint, against the opening with that check.
    const auto reopen = [&](study::Check check) {
        study::CloseStudy();
        const std::string problem = study::OpenStudy(markedDir, check);
        if (!problem.empty() || study::Study()->BookmarkCount() != kBookmarks)
            throw std::runtime_error("the bookmarks' store did not open as it was: " + problem);
    };
    Register("open/start", [&] { reopen(study::Check::Later); });
    Register("open/checked", [&] { reopen(study::Check::AtOpening); });

    bench::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    bench::Figures figures;
    std::printf("\n%d hits over %d sentences; %zu bytes of text, %zu of HTML, %zu of CSV\n", kHits,
                sentences, bytes["text"].size(), bytes["html"].size(), bytes["csv"].size());
    for (const auto& [form, name] : forms) {
        const std::string n = name;
        figures.Line("export of 25,000 hits to " + n, collector.Best("export/" + n),
                     collector.Best("write/" + n), "writing the same bytes", 0, "ms");
        figures.Line("export of 25,000 hits to " + n, collector.Best("export/" + n), 1000.0,
                     "one second", 1.0, "ms");
    }
    const double marked = collector.Best("display/bookmarks") * 1e3;
    const double plain = collector.Best("display/none") * 1e3;
    figures.Line("display step with 10,000 bookmarks (the hit's with a note)", marked, plain,
                 "with none", 0, "us");
    // What a user could notice: the time the mark adds, against one frame.
    if (marked >= 0 && plain > 0)
        figures.Line("time the mark adds to the display step", std::max(marked - plain, 0.001),
                     1e6 / 60, "one frame at 60 Hz", 0.01, "us");

    figures.Line("opening the study store of 10,000 noted bookmarks at the start",
                 collector.Best("open/start") * 1e3, collector.Best("open/checked") * 1e3,
                 "with the check of every page", 0, "us");

    widgets::Application().DestroyForms();
    study::CloseStudy();
    std::filesystem::current_path(home);
    return figures.Over() == 0 ? 0 : 1;
}
