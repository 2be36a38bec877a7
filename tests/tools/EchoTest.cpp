#include "tools/Echo.h"

#include <gtest/gtest.h>

namespace veloria::tools {
namespace {

TEST(Echo, InvisibleCharactersAndBrokenUtf8BecomeEscapes) {
    EXPECT_EQ(Shown("Élan, “love”"), "\"Élan, “love”\"");
    EXPECT_EQ(Shown("a\nb\r\tc"), "\"a\\nb\\r\\tc\"");
    EXPECT_EQ(Shown("\x1B[31mred"), "\"\\u{1B}[31mred\"");
    EXPECT_EQ(Shown(std::string("\0x", 2)), "\"\\u{0}x\"");
    EXPECT_EQ(Shown("\xEF\xBB\xBFName"), "\"\\u{FEFF}Name\"");  // a byte order mark
    EXPECT_EQ(Shown("\xE2\x80\xAE"
                    "evil"),
              "\"\\u{202E}evil\"");  // a direction override
    EXPECT_EQ(Shown("\xC2\x9B"
                    "2J"),
              "\"\\u{9B}2J\"");                               // a C1 control
    EXPECT_EQ(Shown("\xFF\xC3"), "\"\\xFF\\xC3\"");           // not UTF-8, cut short
    EXPECT_EQ(Shown("\xED\xA0\x80"), "\"\\xED\\xA0\\x80\"");  // a surrogate
    // Windows-1252: its undefined codes are the C1 controls.
    EXPECT_EQ(ShownCp1252("\xD1o\x81\x93"), "\"Ño\\u{81}“\"");
    EXPECT_EQ(Escaped("file\x1B.csv"), "file\\u{1B}.csv");
}

TEST(Echo, LongValuesAreCutToTheirBeginningWithTheirLength) {
    const std::string sixty(kShownCharacters, 'x');
    EXPECT_EQ(Shown(sixty), "\"" + sixty + "\"");
    EXPECT_EQ(Shown(sixty + "ñy"), "\"" + sixty + "...\" (62 characters)");
    EXPECT_EQ(ShownCp1252(std::string(5000000, 'z')),
              "\"" + std::string(kShownCharacters, 'z') + "...\" (5000000 characters)");
}

}  // namespace
}  // namespace veloria::tools
