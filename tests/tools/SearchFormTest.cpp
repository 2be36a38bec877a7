#include "store/SearchForm.h"

#include <gtest/gtest.h>

#include "store/Text.h"

namespace veloria::store {
namespace {

// The form of a UTF-8 sentence, in UTF-8 for readable failures.
std::string Form(std::string_view utf8) {
    return ToUtf8(SearchForm(FromUtf8(utf8)));
}

TEST(SearchForm, WordsAreWhatTheQuerySideMakesOfThem) {
    EXPECT_EQ(Form("Love is here."), "#LOVE#IS#HERE#");
    EXPECT_EQ(Form("love, love; (love)! \"love\"? [love] /love/ _love_ ¡love! ¿love?"),
              "#LOVE#LOVE#LOVE#LOVE#LOVE#LOVE#LOVE#LOVE#LOVE#");
    // Removed characters vanish inside a word without splitting it, as in a query.
    EXPECT_EQ(Form("HELLO,WORLD"), "#HELLOWORLD#");
    EXPECT_EQ(Form("Hello, world"), "#HELLO#WORLD#");
    EXPECT_EQ(Form("at 3:15, 1,000 times"), "#AT#315#1000#TIMES#");
    // Every letter with a capital is upper-cased as the word box does; acute vowels fold.
    EXPECT_EQ(Form("ámor Ámor canción Ñandú naïve œuvre"), "#AMOR#AMOR#CANCION#ÑANDU#NAÏVE#ŒUVRE#");
    EXPECT_EQ(Form("María ÍÑIGO Óscar Úrsula Émile"), "#MARIA#IÑIGO#OSCAR#URSULA#EMILE#");
    // Apostrophes and hyphens inside a word stay.
    EXPECT_EQ(Form("don't self-pity the world's"), "#DON'T#SELF-PITY#THE#WORLD'S#");
}

TEST(SearchForm, PunctuationBetweenWordsSeparatesThem) {
    EXPECT_EQ(Form("peace - joy"), "#PEACE#JOY#");  // a hyphen used as a dash
    EXPECT_EQ(Form("peace--joy"), "#PEACE#JOY#");   // two hyphens are a dash
    EXPECT_EQ(Form("peace–joy—rest…calm"), "#PEACE#JOY#REST#CALM#");
    EXPECT_EQ(Form("“quoted” ‘single’ «guillemets» „low“"), "#QUOTED#SINGLE#GUILLEMETS#LOW#");
    EXPECT_EQ(Form("'single' -edge- 'tis"), "#SINGLE#EDGE#TIS#");
    EXPECT_EQ(Form("  two\r\nlines\tand\u00A0blanks  "), "#TWO#LINES#AND#BLANKS#");
    EXPECT_EQ(Form("a#b"), "#A#B#");  // the marker itself can never be part of a word
    EXPECT_EQ(Form("' - -- ?! ..."), "");
    EXPECT_EQ(Form(""), "");
}

TEST(SearchForm, WordsPointAtTheirTextInTheSentence) {
    const std::string sentence = FromUtf8("“Dear friend,” she said — ¿listen?");
    const auto words = SearchWords(sentence);
    ASSERT_EQ(words.size(), 5u);
    EXPECT_EQ(sentence.substr(words[0].begin, words[0].length), "Dear");
    EXPECT_EQ(sentence.substr(words[1].begin, words[1].length), "friend");
    EXPECT_EQ(sentence.substr(words[4].begin, words[4].length), "listen");
    EXPECT_EQ(words[4].form, "LISTEN");
}

TEST(SearchForm, SplitsOnWordBoundariesIntoFourFields) {
    auto joined = [](const std::array<std::string, 4>& p) { return p[0] + p[1] + p[2] + p[3]; };

    EXPECT_EQ(SplitSearchForm(""), (std::array<std::string, 4>{}));
    const std::string exact = "#" + std::string(253, 'A') + "#";  // 255 characters
    EXPECT_EQ(SplitSearchForm(exact), (std::array<std::string, 4>{exact, "", "", ""}));

    std::string form = "#";
    while (form.size() < 900)
        form += "WORD" + std::to_string(form.size() % 97) + "#";
    const auto pieces = SplitSearchForm(form);
    ASSERT_TRUE(pieces);
    EXPECT_EQ(joined(*pieces), form);
    for (const std::string& p : *pieces) {
        EXPECT_LE(p.size(), kSearchFormFieldSize);
        if (!p.empty()) {
            EXPECT_EQ(p.back(), '#');
        }
    }
    EXPECT_EQ((*pieces)[1].front() == '#', false);  // a piece begins right after a "#"

    // A word of 254 characters still fits a field of its own, one of 255 does not.
    const std::string word254 = std::string(254, 'A') + "#";
    EXPECT_EQ(SplitSearchForm("#" + word254), (std::array<std::string, 4>{"#", word254, "", ""}));
    EXPECT_FALSE(SplitSearchForm("#" + std::string(255, 'A') + "#"));
    std::string tooLong = "#";
    while (tooLong.size() <= 4 * kSearchFormFieldSize)
        tooLong += "ABCDEFGHI#";
    EXPECT_FALSE(SplitSearchForm(tooLong));
}

}  // namespace
}  // namespace veloria::store
