// Why a sentence is a hit, as the windows mark it, against the engine's own matching, over every
// sentence of the generated sample corpus: a word (or a run of words) is marked exactly when the
// engine finds a pattern of the query in it, and a sentence is a hit exactly when every pattern
// left a mark.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/FormScan.h"
#include "search/Query.h"
#include "store/Schema.h"
#include "store/SearchForm.h"
#include "store/SearchMarks.h"
#include "store/Table.h"
#include "store/Text.h"
#include "tests/store/TempDir.h"
#include "tools/CorpusBuilder.h"
#include "tools/Random.h"
#include "tools/SampleCorpus.h"

namespace veloria::search {
namespace {

using store::SearchWord;
using store::TextRange;

struct Row {
    std::string umemo;
    std::string form;  // A1..A4 as stored
};

class MarksOverTheCorpus : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // The test run's copy of the sample corpus, or one of its own when run alone.
        std::filesystem::path data = VELORIA_MARKS_SAMPLE_DATA;
        std::unique_ptr<store::testing::TempDir> own;
        if (!std::filesystem::exists(data / "LTexto.DB")) {
            const store::testing::TempDir sources;
            own = std::make_unique<store::testing::TempDir>();
            tools::WriteSampleCorpus(sources.path(), {});
            tools::BuildOptions build;
            build.source = sources.path();
            build.target = data = own->path() / "data";
            const tools::BuildResult built = tools::BuildCorpus(build);
            ASSERT_TRUE(built.ok) << built.summary;
        }
        rows_ = new std::vector<Row>;
        for (const auto& volume : store::Volumes()) {
            const store::Table t(volume.volumeTable, "", data);
            const auto field = [&](std::string_view name) {
                return store::FieldIndex(t.Def(), name);
            };
            const int umemo = field("Umemo");
            const std::array<int, 4> pieces = {field("A1"), field("A2"), field("A3"), field("A4")};
            for (int r = 1; r <= t.RowCount(); ++r) {
                Row row{t.CellAsString(r, umemo), {}};
                for (const int p : pieces)
                    row.form += t.CellAsString(r, p);
                rows_->push_back(std::move(row));
            }
        }
    }
    static void TearDownTestSuite() {
        delete rows_;
        rows_ = nullptr;
    }
    static std::vector<Row>* rows_;
};

std::vector<Row>* MarksOverTheCorpus::rows_ = nullptr;

std::vector<TextRange> Joined(std::vector<TextRange> ranges) {
    std::sort(ranges.begin(), ranges.end(), [](const TextRange& a, const TextRange& b) {
        return a.begin < b.begin || (a.begin == b.begin && a.length > b.length);
    });
    std::vector<TextRange> out;
    for (const TextRange& r : ranges) {
        if (!out.empty() && r.begin <= out.back().End())
            out.back().length = std::max(out.back().End(), r.End()) - out.back().begin;
        else
            out.push_back(r);
    }
    return out;
}

// The end of the shortest start of a word whose search form has `length` characters.
std::size_t PrefixEnd(std::string_view sentence, const SearchWord& word, std::size_t length) {
    std::size_t i = word.begin;
    for (std::size_t n = 0; n < length; ++i) {
        if (store::SearchFormChar(sentence[i]) != '\0')
            ++n;
    }
    return i;
}

// The engine's matching of a single pattern.
Matcher OnePattern(const std::string& pattern) {
    Query q;
    q.queryWords[0] = pattern;
    q.wordCount = 1;
    return Matcher(q, false);
}

// What the marks must be, from the engine's verdict on each run of words that a pattern spans.
// Returns false when a pattern leaves no mark.
bool ExpectedMarks(std::string_view sentence, const std::vector<SearchWord>& words,
                   const std::vector<std::size_t>& hashes, std::string_view form,
                   const std::vector<std::string>& patterns, std::vector<TextRange>& marks) {
    bool everyPattern = true;
    for (const std::string& p : patterns) {
        std::vector<std::string_view> parts;
        for (std::size_t at = 0; at < p.size();) {
            const std::size_t end = std::min(p.find('#', at), p.size());
            if (end > at)
                parts.push_back(std::string_view(p).substr(at, end - at));
            at = end + 1;
        }
        const std::size_t k = parts.size();
        const Matcher matcher = OnePattern(p);
        bool found = false;
        for (std::size_t i = 0; k > 0 && i + k <= words.size(); ++i) {
            // Words i .. i + k - 1 with the "#" around each.
            const std::string_view run = form.substr(hashes[i], hashes[i + k] - hashes[i] + 1);
            if (!matcher.Matches(run))
                continue;
            found = true;
            const SearchWord& last = words[i + k - 1];
            const std::size_t end = p.back() == '#'
                                        ? last.begin + last.length
                                        : PrefixEnd(sentence, last, parts.back().size());
            marks.push_back({words[i].begin, end - words[i].begin});
        }
        everyPattern = everyPattern && found;
    }
    return everyPattern;
}

std::string Typed(std::string_view text) {
    return store::UpperCaseLetters(text);
}

TEST_F(MarksOverTheCorpus, AWordIsMarkedExactlyWhenTheEngineFindsTheQueryInIt) {
    ASSERT_GT(rows_->size(), 30000u);
    tools::Random rng(13);
    int hits = 0, misses = 0, marks = 0;
    // Words of other sentences, for queries that miss now and then.
    std::vector<std::string> pool;
    for (const Row& row : *rows_) {
        const std::string_view sentence = row.umemo;
        // The sentence's words as the form holds them, and where each stands in the form.
        ASSERT_EQ(store::MapSearchForm(sentence).form, row.form) << sentence;
        const std::vector<SearchWord> words = store::SearchWords(sentence);
        if (words.empty())
            continue;
        std::vector<std::size_t> hashes;
        for (std::size_t at = 0; at < row.form.size(); ++at) {
            if (row.form[at] == '#')
                hashes.push_back(at);
        }
        ASSERT_EQ(hashes.size(), words.size() + 1);
        const auto text = [&](const SearchWord& w) { return sentence.substr(w.begin, w.length); };
        if (pool.size() < 500)
            pool.emplace_back(text(words[rng.Index(words.size())]));

        // Each sentence is searched in one mode, the modes in turn.
        {
            const int mode = int(rng.Index(3));
            const bool exactWord = mode > 0, exactPhrase = mode == 2;
            std::string query;
            if (exactPhrase) {
                // A run of words, typed as the sentence has them or with single blanks.
                const std::size_t from = rng.Index(words.size());
                const std::size_t to = std::min(words.size(), from + 1 + rng.Index(4)) - 1;
                if (rng.Percent(50)) {
                    query = sentence.substr(words[from].begin,
                                            words[to].begin + words[to].length - words[from].begin);
                } else {
                    for (std::size_t i = from; i <= to; ++i)
                        query += std::string(text(words[i])) + " ";
                }
            } else {
                // Some words of the sentence, whole or cut, and now and then one of another.
                const int count = 1 + int(rng.Index(3));
                for (int n = 0; n < count; ++n) {
                    std::string_view word = text(words[rng.Index(words.size())]);
                    if (!pool.empty() && rng.Percent(20))
                        word = pool[rng.Index(pool.size())];
                    if (!exactWord && word.size() > 1 && rng.Percent(50))
                        word = word.substr(0, 1 + rng.Index(word.size()));
                    query += std::string(word) + (rng.Percent(75) ? " " : ", ");
                }
            }
            const Query q = BuildQuery(Typed(query), exactWord);
            const std::vector<std::string> patterns = HitPatterns(q, exactPhrase);
            const bool hit = Matcher(q, exactPhrase).Matches(row.form);

            std::vector<TextRange> expected;
            const bool everyPattern =
                ExpectedMarks(sentence, words, hashes, row.form, patterns, expected);
            const std::vector<TextRange> marked = store::SearchMarks(sentence, patterns);
            ASSERT_EQ(marked, Joined(expected)) << "\"" << query << "\" in \"" << sentence << "\"";
            ASSERT_EQ(hit, patterns.empty() || everyPattern)
                << "\"" << query << "\" in \"" << sentence << "\"";
            (hit ? hits : misses) += 1;
            marks += int(marked.size());
        }
    }
    // The queries found their sentences mostly, and missed them sometimes.
    EXPECT_GT(hits, 20000);
    EXPECT_GT(misses, 1000);
    EXPECT_GT(marks, 30000);
}

}  // namespace
}  // namespace veloria::search
