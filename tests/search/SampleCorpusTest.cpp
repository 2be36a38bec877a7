// The engine over the generated sample corpus of the real size, against the rules worked out the
// slow way, and against the corpus builder's own idea of a word.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "search/FormScan.h"
#include "search/Query.h"
#include "search/SearchEngine.h"
#include "store/Schema.h"
#include "store/SearchForm.h"
#include "store/Table.h"
#include "store/Text.h"
#include "tests/search/Oracle.h"
#include "tests/store/TempDir.h"
#include "tools/CorpusBuilder.h"
#include "tools/SampleCorpus.h"

namespace veloria::search {
namespace {

using store::Table;
using testing::OracleResult;
using testing::OracleRow;

constexpr std::array<const char*, 4> kPieces = {"A1", "A2", "A3", "A4"};

class SampleCorpus : public ::testing::Test {
  protected:
    void SetUp() override {
        const store::testing::TempDir sources;
        tools::WriteSampleCorpus(sources.path(), {});
        tools::BuildOptions build;
        build.source = sources.path();
        build.target = dir_.path() / "data";
        const tools::BuildResult built = tools::BuildCorpus(build);
        ASSERT_TRUE(built.ok) << built.summary;
        data_ = build.target;
        results_ = std::make_unique<Table>("Texto_B.DB", "", data_);
        config_ = std::make_unique<Table>("Configura.db", "", data_);
        for (std::size_t v = 0; v < 5; ++v) {
            volumes_[v] = std::make_unique<Table>(store::Volumes()[v].volumeTable, "", data_);
            const Table& t = *volumes_[v];
            const auto field = [&](std::string_view name) {
                return store::FieldIndex(t.Def(), name);
            };
            for (int r = 1; r <= t.RowCount(); ++r) {
                OracleRow row;
                row.numero = t.CellAsString(r, field("Numero"));
                row.umemo = t.CellAsString(r, field("Umemo"));
                row.referencia = t.CellAsString(r, field("Referencia"));
                for (std::size_t p = 0; p < 4; ++p)
                    row.pieces[p] = t.CellAsString(r, field(kPieces[p]));
                rows_[v].push_back(row);
            }
        }
    }

    std::vector<OracleResult> Run(const std::string& box, bool exactWord, bool exactPhrase,
                                  std::array<bool, 5> ticked) {
        SearchTables tables{*results_, {}, *config_};
        for (std::size_t v = 0; v < 5; ++v)
            tables.volumes[v] = volumes_[v].get();
        NoProgress progress;
        const SearchResult result =
            RunSearch({box, exactWord, exactPhrase, ticked}, tables, progress);
        EXPECT_EQ(result.outcome, SearchOutcome::Completed);
        count_ = result.count;
        std::vector<OracleResult> found;
        for (int r = 1; r <= results_->RowCount(); ++r) {
            found.push_back({results_->CellAsString(r, 0), results_->CellAsString(r, 1),
                             results_->CellAsString(r, 2), results_->CellAsString(r, 3)});
        }
        return found;
    }

    static std::string Form(const OracleRow& row) {
        return row.pieces[0] + row.pieces[1] + row.pieces[2] + row.pieces[3];
    }

    store::testing::TempDir dir_;
    std::filesystem::path data_;
    std::unique_ptr<Table> results_, config_;
    std::array<std::unique_ptr<Table>, 5> volumes_;
    std::array<std::vector<OracleRow>, 5> rows_;
    int count_ = 0;
};

TEST_F(SampleCorpus, AgreesWithTheRules) {
    std::mt19937 rng(31);
    std::vector<std::string> queries = {"?!", "the", "LOV", "peace  of", "\xE1nimo"};
    for (int n = 0; n < 40; ++n) {
        // Words of one sentence, whole or cut, in lower case now and then, with a comma or a
        // doubled space between them.
        const auto& volume = rows_[rng() % 5];
        const std::string form = Form(volume[rng() % volume.size()]);
        std::vector<std::string> words;
        for (std::size_t at = 1; at < form.size();) {
            const std::size_t end = form.find('#', at);
            words.push_back(form.substr(at, end - at));
            at = end + 1;
        }
        std::string query;
        const std::size_t from = rng() % words.size();
        for (std::size_t i = from; i < words.size() && i < from + 1 + rng() % 3; ++i) {
            std::string w = words[i];
            if (rng() % 3 == 0)
                w = w.substr(0, 1 + rng() % w.size());
            if (rng() % 3 == 0) {
                for (char& c : w)
                    c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
            }
            query += w + (rng() % 4 ? " " : rng() % 2 ? ",  " : "  ");
        }
        queries.push_back(query);
    }
    int mode = 0;
    for (const std::string& q : queries) {
        const bool exactWord = mode % 3 != 0, exactPhrase = mode % 3 == 2;
        const std::array<bool, 5> ticked = mode % 4 == 0
                                               ? std::array<bool, 5>{true, false, true, true, false}
                                               : std::array<bool, 5>{true, true, true, true, true};
        ++mode;
        SCOPED_TRACE("query \"" + q + "\"");
        std::array<const std::vector<OracleRow>*, 5> volumes{};
        for (std::size_t v = 0; v < 5; ++v)
            volumes[v] = ticked[v] ? &rows_[v] : nullptr;
        const std::vector<OracleResult> expected =
            testing::OracleSearch(q, exactWord, exactPhrase, volumes);
        ASSERT_EQ(Run(q, exactWord, exactPhrase, ticked), expected);
        EXPECT_EQ(count_, int(expected.size()));
    }
}

// A word typed into the word box (which upper-cases as it goes) must find the sentence it was
// copied from: the builder's search forms and the engine's query must agree on every character.
TEST_F(SampleCorpus, EveryWordFindsItsOwnSentence) {
    std::mt19937 rng(5);
    int words = 0;
    for (std::size_t v = 0; v < 5; ++v) {
        for (const OracleRow& row : rows_[v]) {
            if (rng() % 20 != 0)
                continue;
            const std::string form = Form(row);
            for (const store::SearchWord& w : store::SearchWords(row.umemo)) {
                const std::string typed =
                    store::UpperCaseLetters(row.umemo.substr(w.begin, w.length));
                for (const bool exactWord : {false, true}) {
                    ASSERT_TRUE(Matcher(BuildQuery(typed, exactWord), false).Matches(form))
                        << "\"" << typed << "\" in \"" << row.umemo << "\"";
                }
                ++words;
            }
        }
    }
    EXPECT_GT(words, 10000);
}

}  // namespace
}  // namespace veloria::search
