#include "store/SearchMarks.h"

#include <gtest/gtest.h>

#include "store/SearchForm.h"
#include "store/Text.h"

namespace veloria::store {
namespace {

// The marked stretches of a UTF-8 sentence, in UTF-8 for readable failures.
std::vector<std::string> Marked(std::string_view utf8, std::vector<std::string> patterns) {
    for (std::string& p : patterns)
        p = FromUtf8(p);
    const std::string sentence = FromUtf8(utf8);
    std::vector<std::string> out;
    for (const TextRange& r : SearchMarks(sentence, patterns))
        out.push_back(ToUtf8(sentence.substr(r.begin, r.length)));
    return out;
}

using Texts = std::vector<std::string>;

TEST(SearchMarks, MapBackToTheCharactersThatMadeTheMatch) {
    // Accents folded and punctuation left out in the form; the mark keeps both, but not the
    // punctuation around the word.
    EXPECT_EQ(Marked("«Ámor», dijo.", {"#AMOR#"}), Texts{"Ámor"});
    EXPECT_EQ(Marked("(Forgive!) and forgive.", {"#FORGIVE#"}), (Texts{"Forgive", "forgive"}));
    // A removed character inside a word stays inside its mark.
    EXPECT_EQ(Marked("at 3:15 today", {"#315#"}), Texts{"3:15"});
    EXPECT_EQ(Marked("don't, self-pity", {"#DON'T#", "#SELF-PITY#"}),
              (Texts{"don't", "self-pity"}));
}

TEST(SearchMarks, AnyOrderMarksThePrefixOfEveryWordItBegins) {
    EXPECT_EQ(Marked("Loving love, not glove.", {"#LOV"}), (Texts{"Lov", "lov"}));
    // The prefix counts the form's characters: a removed one inside is passed over.
    EXPECT_EQ(Marked("wo.rd words", {"#WOR"}), (Texts{"wo.r", "wor"}));
    EXPECT_EQ(Marked("Peace forgives peacefully", {"#FORGIVE", "#PEACE"}),
              (Texts{"Peace", "forgive", "peace"}));
    // Two patterns on the same word: the longer mark covers the shorter.
    EXPECT_EQ(Marked("forgiveness", {"#FOR", "#FORGIVE"}), Texts{"forgive"});
    EXPECT_TRUE(Marked("Glove and beloved.", {"#LOV"}).empty());
}

TEST(SearchMarks, ExactWordsAndPhrasesMarkWholeWordsAndTheRunBetweenThem) {
    EXPECT_EQ(Marked("Love loving love.", {"#LOVE#"}), (Texts{"Love", "love"}));
    EXPECT_EQ(Marked("Forgive, and peace — forgive peace.", {"#FORGIVE#PEACE#"}),
              Texts{"forgive peace"});
    EXPECT_EQ(Marked("“Forgive,” peace.", {"#FORGIVE#PEACE#"}), Texts{"Forgive,” peace"});
    // Overlapping occurrences are one mark.
    EXPECT_EQ(Marked("so so so, no so", {"#SO#SO#"}), Texts{"so so so"});
    EXPECT_TRUE(Marked("forgive and peace", {"#FORGIVE#PEACE#"}).empty());
    // Two blanks typed between the words: the form never has "##".
    EXPECT_TRUE(Marked("forgive peace", {"#FORGIVE##PEACE#"}).empty());
}

TEST(SearchMarks, NoPatternsOrEmptyOnesMarkNothing) {
    EXPECT_TRUE(Marked("Forgive peace.", {}).empty());
    EXPECT_TRUE(Marked("Forgive peace.", {"", "#", "##"}).empty());
    EXPECT_TRUE(Marked("", {"#A"}).empty());
    EXPECT_TRUE(Marked("?! -- ...", {"#"}).empty());
}

TEST(SearchMarks, TheMappedFormIsTheStoredOneAndEachCharacterKnowsItsOrigin) {
    const std::string sentence = FromUtf8("  “Ámor,” said the self-pitying—no: 3:15!\r\nAgain");
    const MappedSearchForm mapped = MapSearchForm(sentence);
    EXPECT_EQ(mapped.form, SearchForm(sentence));
    ASSERT_EQ(mapped.origin.size(), mapped.form.size());
    for (std::size_t i = 0; i < mapped.form.size(); ++i) {
        if (mapped.form[i] == '#') {
            EXPECT_EQ(mapped.origin[i], kFormBoundary);
        } else {
            ASSERT_LT(mapped.origin[i], sentence.size());
            EXPECT_EQ(SearchFormChar(sentence[mapped.origin[i]]), mapped.form[i]) << i;
        }
    }
}

}  // namespace
}  // namespace veloria::store
