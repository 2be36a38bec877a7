#include "glossary/MarkupSpans.h"

#include <gtest/gtest.h>

#include <string>

namespace veloria::glossary {
namespace {

using Spans = std::vector<TextSpan>;

TEST(MarkerSpans, SpansAreCutAtTheEndAndThoseBeyondItDropped) {
    // Group 1 (21 from 1), group 2 (13 from 25, cut to 6), group 8 (4 from 31: past the end),
    // group 9 (5 from 30: the last character).
    EXPECT_EQ(MarkerSpans("001025000000000000000031030", 30), (Spans{{0, 21}, {24, 6}, {29, 1}}));
    EXPECT_EQ(MarkerSpans("999999999999999999999999999", 999), (Spans{{998, 1},
                                                                      {998, 1},
                                                                      {998, 1},
                                                                      {998, 1},
                                                                      {998, 1},
                                                                      {998, 1},
                                                                      {998, 1},
                                                                      {998, 1},
                                                                      {998, 1}}));
    EXPECT_EQ(MarkerSpans("001", 0), Spans{});
}

TEST(MarkerSpans, OnlyWholeGroupsOfThreeDigitsNameASpan) {
    EXPECT_EQ(MarkerSpans("", 40), Spans{});
    EXPECT_EQ(MarkerSpans(std::string(27, ' '), 40), Spans{});
    EXPECT_EQ(MarkerSpans("00", 40), Spans{});
    EXPECT_EQ(MarkerSpans("00200", 40), (Spans{{1, 21}}));
    // A sign, a blank or a letter spoils its group alone; a NUL is no digit either.
    EXPECT_EQ(MarkerSpans("+01 02003" + std::string(3, '\0') + "004", 40),
              (Spans{{2, 19}, {3, 9}}));
    // Anything past the ninth group is not read.
    EXPECT_EQ(MarkerSpans(std::string(27, '0') + "001", 40), Spans{});
}

TEST(PhraseOccurrences, EveryOccurrenceButThoseCoveringTheOneBefore) {
    EXPECT_EQ(PhraseOccurrences("one two one", "one"), (Spans{{0, 3}, {8, 3}}));
    EXPECT_EQ(PhraseOccurrences("AAA", "AA"), (Spans{{0, 2}}));
    EXPECT_EQ(PhraseOccurrences("AAAA", "AA"), (Spans{{0, 2}, {2, 2}}));
    // Only the second character is taken: a longer phrase may still overlap the one before.
    EXPECT_EQ(PhraseOccurrences("AAAAA", "AAA"), (Spans{{0, 3}, {2, 3}}));
    EXPECT_EQ(PhraseOccurrences("aaa", "a"), (Spans{{0, 1}, {1, 1}, {2, 1}}));
    EXPECT_EQ(PhraseOccurrences("abc", ""), Spans{});
    EXPECT_EQ(PhraseOccurrences("ab", "abc"), Spans{});
    EXPECT_EQ(PhraseOccurrences(std::string("a\0b\0b", 5), std::string("\0b", 2)),
              (Spans{{1, 2}, {3, 2}}));
}

// Byte 255 is the byte that a search over a copy would write over the second character of every
// occurrence it marks; in the text it is an ordinary letter ("ÿ").
TEST(PhraseOccurrences, APhraseHoldingAnyByteMarksOnlyItself) {
    // Found by fuzzing: the copy's overwritten byte completed a phrase beginning with it.
    EXPECT_EQ(PhraseOccurrences("\377aaa", "\377aa"), (Spans{{0, 3}}));
    EXPECT_EQ(PhraseOccurrences("x\377ab\377ab", "\377ab"), (Spans{{1, 3}, {4, 3}}));
    // The copy also let an occurrence covering a taken second character count again.
    EXPECT_EQ(PhraseOccurrences("\xff\xff\xff x", "\xff\xff"), (Spans{{0, 2}}));
    EXPECT_EQ(PhraseOccurrences("\xff\xff\xff\xff", "\xff\xff"), (Spans{{0, 2}, {2, 2}}));
}

}  // namespace
}  // namespace veloria::glossary
