// What marking a hit costs in the main window, on the sample corpus. Every figure is printed as a
// ratio to a baseline measured in the same run:
//   - the marks of the longest sentence of the corpus for a 20-word query (found in its search form
//     and mapped back, then laid on the sentence box) against the display step of that hit
//     without marks (sentence, labels, headings and Bible indicator);
//   - the display step with marks against the same step without;
//   - the keyboard walk through 2,000 hits (each key pressed and released in the grid, each hit
//     shown and painted) with marks against the same walk without.
// Lines marked "info" carry no bound.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
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
#include "search/Query.h"
#include "store/Schema.h"
#include "store/SearchForm.h"
#include "store/SearchMarks.h"
#include "store/Table.h"
#include "store/Text.h"
#include "tests/store/TempDir.h"
#include "tip/PaFrase.h"
#include "tools/CorpusBuilder.h"
#include "tools/SampleCorpus.h"
#include "widgets/Application.h"
#include "widgets/Testing.h"
#include "widgets/TextMarks.h"

namespace {

using namespace veloria;
using veloria::bench::Register;

constexpr int kWalkedHits = 2000;
constexpr int kQueryWords = 20;

struct Longest {
    std::string umemo, numero;
    char code = 'T';
};

// The sample corpus in a data directory the program runs in, with 2,000 hits of the Text as the
// last search's results, the longest sentence of the corpus first.
Longest PrepareData(const std::filesystem::path& data) {
    bench::BuildSample(data);
    bench::AddProgramFiles(data);
    Longest longest;
    for (const auto& volume : store::Volumes()) {
        const store::Table t(volume.volumeTable, "", data);
        const int umemo = store::FieldIndex(t.Def(), "Umemo");
        const int numero = store::FieldIndex(t.Def(), "Numero");
        for (int r = 1; r <= t.RowCount(); ++r) {
            std::string s = t.CellAsString(r, umemo);
            if (s.size() > longest.umemo.size())
                longest = {std::move(s), t.CellAsString(r, numero), volume.code};
        }
    }
    store::Table results("Texto_B.DB", "", data);
    results.EmptyTable();
    const auto hit = [&](const std::string& numero, char code) {
        results.Append();
        results.SetField("Referencia", "ref");
        results.SetField("Numero", numero);
        results.SetField("Pensamiento", "sentence");
        results.SetField("Libro", std::string(1, code));
        results.Post();
    };
    hit(longest.numero, longest.code);
    for (int n = 1; n < kWalkedHits; ++n)
        hit(std::to_string(n), 'T');
    store::Table config("Configura.db", "", data);
    config.First();
    config.Edit();
    config.SetField("Cantidad", std::int64_t(kWalkedHits));
    config.Post();
    return longest;
}

// A query of 20 words of the sentence, cut to their first letters now and then, in Any Order.
std::vector<std::string> TwentyWordPatterns(const std::string& sentence) {
    std::string typed;
    int words = 0;
    for (const store::SearchWord& w : store::SearchWords(sentence)) {
        if (words == kQueryWords)
            break;
        std::string word = sentence.substr(w.begin, w.length);
        if (words % 3 == 2 && word.size() > 3)
            word.resize(3);
        typed += word + " ";
        ++words;
    }
    const search::Query q = search::BuildQuery(store::UpperCaseLetters(typed), false);
    if (q.wordCount != kQueryWords)
        throw std::runtime_error("the longest sentence has fewer than 20 words");
    return search::HitPatterns(q, false);
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<QApplication> app;
    if (!bench::StartWindows(argc, argv, app))
        return 1;

    const store::testing::TempDir dir;
    const Longest longest = PrepareData(dir.path());
    const std::vector<std::string> patterns = TwentyWordPatterns(longest.umemo);
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);

    TForm1& f = bench::ShowProgram();

    // The display step of the first hit, the longest sentence, as a key released in the grid runs
    // it.
    const auto display = [&] {
        f.Texto_B.First();
        f.DBGrid1KeyUp();
    };
    Register("display/plain", [&] {
        uGlobal::HitPatterns.clear();
        display();
    });
    Register("marks/computed",
             [&] { benchmark::DoNotOptimize(store::SearchMarks(longest.umemo, patterns)); });
    Register("marks/shown",
             [&] { f.Memo1->SetMarks(widgets::MatchMarks(longest.umemo, patterns)); });
    Register("display/marked", [&] {
        uGlobal::HitPatterns = patterns;
        display();
    });
    // The walk: from the first hit to the last by the Down key, each hit shown and painted.
    const auto walk = [&](bool marked) {
        uGlobal::HitPatterns = marked ? patterns : std::vector<std::string>{};
        f.Texto_B.First();
        f.DBGrid1->SetFocus();
        for (int n = 1; n < kWalkedHits; ++n) {
            widgets::testing::KeyClick(f, Qt::Key_Down);
            f.DBGrid1->repaint();
            f.Memo1->viewport()->repaint();
        }
        if (f.Texto_B.RecNo() != kWalkedHits)
            throw std::runtime_error("the walk did not reach the last hit");
    };
    Register(
        "walk/plain", [&] { walk(false); }, true);
    Register(
        "walk/marked", [&] { walk(true); }, true);

    bench::Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    const auto& best = collector.best;
    const auto ms = [&](const std::string& name) {
        const auto it = best.find(name);
        return it == best.end() ? -1.0 : it->second;
    };
    int over = 0;
    const auto line = [&](const std::string& what, double value, double base, const char* baseWhat,
                          double bound, const char* unit, double scale) {
        if (value < 0 || base < 0)
            return;
        value *= scale;
        base *= scale;
        const double ratio = value / base;
        if (bound > 0) {
            const bool ok = ratio <= bound;
            over += !ok;
            std::printf("[%s] %s: %.2f %s vs %.2f %s %s; ratio %.3f (bound %.2f)\n",
                        ok ? "ok" : "OVER", what.c_str(), value, unit, base, unit, baseWhat, ratio,
                        bound);
        } else {
            std::printf("[info] %s: %.2f %s vs %.2f %s %s; ratio %.3f\n", what.c_str(), value, unit,
                        base, unit, baseWhat, ratio);
        }
    };
    std::printf("\nlongest sentence: %zu characters, %zu words; query of %d words (%zu marks)\n",
                longest.umemo.size(), store::SearchWords(longest.umemo).size(), kQueryWords,
                store::SearchMarks(longest.umemo, patterns).size());
    line("marks computed", ms("marks/computed"), ms("display/plain"),
         "the display step without marks", 0.10, "us", 1e3);
    line("marks computed and laid on the sentence box (over earlier marks)", ms("marks/shown"),
         ms("display/plain"), "the display step without marks", 0, "us", 1e3);
    line("marks computed and laid on the sentence box", ms("marks/shown"), 1000.0 / 60,
         "one frame at 60 Hz", 0.05, "us", 1e3);
    line("display step with marks", ms("display/marked"), ms("display/plain"), "without", 2.0, "us",
         1e3);
    line("keyboard walk through 2,000 hits with marks", ms("walk/marked"), ms("walk/plain"),
         "without", 1.5, "ms", 1.0);
    line("one step of the walk with marks", ms("walk/marked") / (kWalkedHits - 1), 1000.0 / 60,
         "one frame at 60 Hz", 0.5, "ms", 1.0);

    widgets::Application().DestroyForms();
    std::filesystem::current_path(home);
    return over == 0 ? 0 : 1;
}
