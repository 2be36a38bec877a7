#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "search/BlockFilter.h"
#include "search/Finder.h"
#include "search/FormScan.h"
#include "search/Query.h"
#include "tests/search/Oracle.h"

namespace veloria::search {
namespace {

std::vector<std::string> Words(const Query& q) {
    return {q.queryWords.begin(), q.queryWords.begin() + q.wordCount};
}

TEST(BuildQuery, NormalisesTheWordBoxText) {
    const Query q = BuildQuery("  \t hello, w\xF3rld\t ", false);
    EXPECT_EQ(q.queryText, "HELLO, W\xF3RLD ");  // only a..z are upper-cased in QueryText
    EXPECT_EQ(Words(q), (std::vector<std::string>{"#HELLO", "#WORLD"}));
    EXPECT_EQ(q.phrasePattern, "#HELLO#WORLD#");

    const Query glued = BuildQuery("HELLO,WORLD", false);
    EXPECT_EQ(Words(glued), std::vector<std::string>{"#HELLOWORLD"});
    EXPECT_EQ(glued.phrasePattern, "#HELLOWORLD#");

    // Lower case and acute vowels of either case give the same word.
    EXPECT_EQ(Words(BuildQuery("\xE1mor", false)), Words(BuildQuery("AMOR", false)));
    EXPECT_EQ(Words(BuildQuery("\xC1M\xD3R", false)), std::vector<std::string>{"#AMOR"});
    // Other accents, the tilde, apostrophe, hyphen and digits stay.
    EXPECT_EQ(Words(BuildQuery("\xF1o\xE0 don't self-pity 12", false)),
              (std::vector<std::string>{"#\xF1O\xE0", "#DON'T", "#SELF-PITY", "#12"}));
}

TEST(BuildQuery, SpacesAndRemovedCharacters) {
    const Query doubled = BuildQuery("LOVE  GOD", false);
    EXPECT_EQ(Words(doubled), (std::vector<std::string>{"#LOVE", "#GOD"}));
    EXPECT_EQ(doubled.phrasePattern, "#LOVE##GOD#");

    const Query exact = BuildQuery("LOVE GOD", true);
    EXPECT_EQ(Words(exact), (std::vector<std::string>{"#LOVE#", "#GOD#"}));
    EXPECT_EQ(exact.phrasePattern, "#LOVE#GOD#");  // exact-word mode leaves the phrase alone

    const Query removedOnly = BuildQuery("\xBF?! \xA1", false);
    EXPECT_EQ(removedOnly.wordCount, 0);
    EXPECT_EQ(removedOnly.phrasePattern, "###");

    const Query wordOfRemoved = BuildQuery("LOVE (...) GOD", false);
    EXPECT_EQ(Words(wordOfRemoved), (std::vector<std::string>{"#LOVE", "#GOD"}));
    EXPECT_EQ(wordOfRemoved.phrasePattern, "#LOVE##GOD#");

    // A '\0' can never reach a pattern.
    const Query nul = BuildQuery(std::string("LO\0VE", 5), false);
    EXPECT_EQ(Words(nul), std::vector<std::string>{"#LOVE"});

    EXPECT_TRUE(IsBlankQuery(" \t\r\n "));
    EXPECT_TRUE(IsBlankQuery(""));
    EXPECT_FALSE(IsBlankQuery(" ?! "));
}

TEST(BuildQuery, KeepsTheFirstTwentyWords) {
    std::string box;
    for (int i = 1; i <= 25; ++i) {
        box += 'W';
        box += std::to_string(i) + " ";
    }
    const Query q = BuildQuery(box, true);
    ASSERT_EQ(q.wordCount, kQueryWordSlots);
    EXPECT_EQ(q.queryWords.front(), "#W1#");
    EXPECT_EQ(q.queryWords.back(), "#W20#");
    EXPECT_EQ(q.phrasePattern.substr(q.phrasePattern.size() - 5), "#W25#");
}

TEST(BuildQuery, AgreesWithTheRulesOnRandomInput) {
    std::mt19937 rng(7);
    const std::string alphabet = "aZ \t\xE1\xC9\xF1,.?!\xBF\xA1'-#_/[]:;\"()0";
    for (int n = 0; n < 2000; ++n) {
        std::string box;
        const int len = int(rng() % 40);
        for (int i = 0; i < len; ++i)
            box += alphabet[rng() % alphabet.size()];
        const bool exactWord = rng() % 2;
        const Query q = BuildQuery(box, exactWord);
        const testing::OracleQuery o = testing::OracleNormalise(box, exactWord);
        ASSERT_EQ(q.queryText, o.queryText) << box;
        ASSERT_EQ(Words(q), o.words) << box;
        ASSERT_EQ(q.phrasePattern, o.phrase) << box;
    }
}

RowTexts Buffer(const std::vector<std::string>& forms) {
    RowTexts b;
    for (const std::string& f : forms)
        b.AddRow({f});
    return b;
}

std::vector<int> Hits(const std::string& box, bool exactWord, bool exactPhrase,
                      const RowTexts& forms) {
    std::vector<int> hits;
    Matcher(BuildQuery(box, exactWord), exactPhrase).FindHits(forms, hits);
    return hits;
}

TEST(Matcher, MatchesWordsFromTheirStart) {
    const RowTexts forms = Buffer({"#GLOVE#", "#LOVING#GOD#", "#GOD#IS#LOVE#", "#LOVE#LOVE#"});
    EXPECT_EQ(Hits("lov", false, false, forms), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Hits("love", true, false, forms), (std::vector<int>{2, 3}));
    EXPECT_EQ(Hits("god lov", false, false, forms), (std::vector<int>{1, 2}));
    EXPECT_EQ(Hits("love love love", false, false, forms), (std::vector<int>{2, 3}));
    EXPECT_EQ(Hits("is love", false, true, forms), (std::vector<int>{2}));
    EXPECT_EQ(Hits("love is", false, true, forms), (std::vector<int>{}));
    EXPECT_EQ(Hits("?!", false, false, forms), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Hits("?!", false, true, forms), (std::vector<int>{0, 1, 2, 3}));
}

TEST(Matcher, NeverMatchesAcrossRows) {
    // "##" would be found where one row's closing "#" meets the next row's opening one.
    const RowTexts forms = Buffer({"#LOVE#", "#GOD#", "", "#A#", "#B#"});
    EXPECT_EQ(Hits("love  god", false, true, forms), (std::vector<int>{}));
    EXPECT_EQ(Hits("a b", false, true, forms), (std::vector<int>{}));
    EXPECT_EQ(Hits("b", false, false, forms), (std::vector<int>{4}));
    EXPECT_EQ(forms.At(2), "");
    EXPECT_EQ(forms.At(4), "#B#");
}

TEST(Matcher, PiecesAreJoinedWithNothingBetween) {
    RowTexts forms;
    forms.AddRow({"#HEL", "LO#WO", "", "RLD#"});
    EXPECT_EQ(forms.At(0), "#HELLO#WORLD#");
    EXPECT_EQ(Hits("hello world", true, true, forms), (std::vector<int>{0}));
}

TEST(Matcher, LeavesOutImpliedPatterns) {
    const Matcher m(BuildQuery("lov love god love", false), false);
    EXPECT_EQ(m.Patterns(), (std::vector<std::string>{"#LOVE", "#GOD"}));
}

// The filter over small blocks of rows: a block without a word the query needs is skipped, and
// the hits stay those of the plain scan for words, beginnings, phrases and what has no word.
TEST(BlockFilter, SkipsOnlyBlocksThatCannotHoldAHit) {
    std::vector<std::string> rows;
    for (int i = 0; i < 60; ++i)
        rows.push_back(i % 7 == 3 ? "#SALVATION#IS#NEAR#" : "#THE#DAY#IS#NEAR#");
    rows[40] = "#A##B#";
    RowTexts plain = Buffer(rows), filtered = Buffer(rows);
    filtered.BuildFilter(30, 8);  // two rows a block
    const BlockFilter& filter = filtered.Filter();
    ASSERT_GT(filter.BlockCount(), 20);
    const std::vector<std::uint64_t> salvation = filter.Candidates({"#SALVATION#"});
    int let = 0;
    for (int b = 0; b < filter.BlockCount(); ++b)
        let += int((salvation[std::size_t(b) / 64] >> (b % 64)) & 1);
    EXPECT_LT(let, filter.BlockCount() / 2);
    for (const auto& [box, exactWord, exactPhrase] :
         std::vector<std::tuple<std::string, bool, bool>>{{"salvation", true, false},
                                                          {"salv", false, false},
                                                          {"salvation is", false, true},
                                                          {"near salvation", true, false},
                                                          {"day", false, false},
                                                          {"a  b", false, true},
                                                          {"zebra", false, false},
                                                          {"?!", false, false}}) {
        EXPECT_EQ(Hits(box, exactWord, exactPhrase, filtered),
                  Hits(box, exactWord, exactPhrase, plain))
            << box;
    }
}

TEST(Finder, FindsWhatFindFinds) {
    // Texts of every length around the 16- and 32-byte blocks, needles of the scan's own kind, by
    // every path through them, in all or part of the text.
    std::mt19937 rng(11);
    const std::string alphabet = std::string("##AB", 4) + std::string(1, '\0');
    for (int n = 0; n < 20000; ++n) {
        std::string text(rng() % 140, ' ');
        for (char& c : text)
            c = alphabet[rng() % alphabet.size()];
        std::string needle(1 + rng() % 6, ' ');
        for (char& c : needle)
            c = alphabet[rng() % alphabet.size()];
        if (rng() % 4 == 0 && text.size() > needle.size())  // often present
            needle = text.substr(rng() % (text.size() - needle.size()), needle.size());
        const std::size_t from = text.empty() ? 0 : rng() % (text.size() + 1);
        // Part of the text, the rest readable beyond it, as the scan of one stretch has it.
        const std::size_t end = from + rng() % (text.size() - from + 1);
        const Finder finder(needle);
        const std::size_t expected = std::string_view(text).substr(0, end).find(needle, from);
        for (const Finder::Path path :
             {Finder::Path::Avx2, Finder::Path::Sse2, Finder::Path::Portable}) {
            const char* found = nullptr;
            finder.ForEach(
                text.data() + from, text.data() + end,
                [&](const char* match) {
                    found = match;
                    return text.data() + end;
                },
                path, text.data() + text.size());
            ASSERT_EQ(found ? std::size_t(found - text.data()) : std::string::npos, expected)
                << "needle of " << needle.size() << " in [" << from << ", " << end
                << ") of a text of " << text.size() << " by path " << int(path);
        }
    }
}

}  // namespace
}  // namespace veloria::search
