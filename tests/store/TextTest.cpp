#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "store/Error.h"
#include "store/Text.h"

namespace veloria::store {
namespace {

TEST(Text, EveryByteSurvivesTheRoundTripThroughUtf8) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all += char(b);
    EXPECT_EQ(FromUtf8(ToUtf8(all)), all);
    EXPECT_EQ(ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
    EXPECT_EQ(ToUtf8("\xE9"), "\xC3\xA9");      // e acute
    EXPECT_EQ(FromUtf8("\xE2\x80\x9C"
                       "a\xE2\x80\x9D"),
              "\x93"
              "a\x94");
}

TEST(Text, ConversionIsRightAtEveryPlaceInAWord) {
    // The conversion copies eight ASCII bytes at a time; other characters at each offset.
    for (std::size_t at = 0; at < 17; ++at) {
        const std::string text = std::string(at, 'a') + "\xE9" + std::string(9, 'b') + "\x80\x93z";
        ASSERT_EQ(FromUtf8(ToUtf8(text)), text) << at;
        std::string out(ToUtf8(text).size(), '\0');
        ASSERT_EQ(FromUtf8Into(ToUtf8(text), out.data()), text.size());
        EXPECT_THROW(FromUtf8(std::string(at, 'a') + "\xC4\x85"), StoreError);
    }
}

TEST(Text, AsciiTestAndConversionIntoABuffer) {
    // IsAscii reads eight bytes at a time; a high byte must count at every offset and length.
    for (std::size_t size = 0; size < 20; ++size) {
        EXPECT_TRUE(IsAscii(std::string(size, '~'))) << size;
        for (std::size_t at = 0; at < size; ++at) {
            std::string text(size, 'a');
            text[at] = '\x80';
            EXPECT_FALSE(IsAscii(text)) << size << " " << at;
        }
    }
    std::string buffer = "left over from a longer text";
    ToUtf8Into("\xE9t\xE9", buffer);
    EXPECT_EQ(buffer, "\xC3\xA9t\xC3\xA9");
    ToUtf8Into("", buffer);
    EXPECT_EQ(buffer, "");
}

TEST(Text, FromUtf8RefusesWhatWindows1252CannotHold) {
    try {
        FromUtf8("ab\xC4\x85");  // a with ogonek
        FAIL() << "no error";
    } catch (const StoreError& e) {
        EXPECT_NE(std::string(e.what()).find("U+0105"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("byte 3"), std::string::npos) << e.what();
    }
    EXPECT_THROW(FromUtf8("\xF0\x9F\x98\x80"), StoreError);  // emoji
    EXPECT_THROW(FromUtf8("\xC3"), StoreError);              // truncated sequence
    EXPECT_THROW(FromUtf8("\xC0\xAF"), StoreError);          // overlong
    EXPECT_THROW(FromUtf8("\xED\xA0\x80"), StoreError);      // surrogate
    EXPECT_EQ(FromUtf8Lossy("a\xC4\x85z"), "a?z");
}

TEST(Text, TrimUpperCaseAndSearchNormalisation) {
    EXPECT_EQ(Trim("\t  a b \r\n"), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(UpperCaseLetters("ma\xF1"
                               "ana \xE9t\xE9 \xFF \xF7"),
              "MA\xD1"
              "ANA \xC9T\xC9 \x9F \xF7");
    EXPECT_EQ(NormaliseSearchText("\xBF"
                                  "Qu\xE9 (s\xED)?"),
              "QUE SI");
}

// The reader's order: letters with their base letter, ligatures as two letters, then accents, then
// case, then bytes; and an order (every pair compares one way) that sorting can rely on.
TEST(Text, CollationPutsAccentedLettersWithTheirBaseLetter) {
    const std::vector<std::string> sorted = {"aeon",
                                             "\xC6on",
                                             "animal",
                                             "ANIMAL",
                                             "\xC1nimo",
                                             "elan",
                                             "Elan",
                                             "\xE9lan",
                                             "\xC9lan",
                                             "evening",
                                             "\xCDntimo",
                                             "\xD1u",
                                             "Nz",
                                             "oe",
                                             "\x9Cuvre",
                                             "strasse",
                                             "stra\xDF"
                                             "e",
                                             "worry",
                                             "zeal",
                                             "\x80uro"};
    std::vector<std::string> order(sorted.rbegin(), sorted.rend());
    std::sort(order.begin(), order.end(),
              [](const std::string& a, const std::string& b) { return Collate(a, b) < 0; });
    EXPECT_EQ(order, sorted);
    for (const std::string& a : sorted) {
        for (const std::string& b : sorted)
            EXPECT_EQ(Collate(a, b), -Collate(b, a)) << a << " " << b;
    }
    EXPECT_LT(Collate("ELA", "\xC9LAN"), 0) << "typing \"ELA\" goes to \"\xC9LAN\"";
}

}  // namespace
}  // namespace veloria::store
