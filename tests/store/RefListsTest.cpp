#include "store/RefLists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veloria::store {
namespace {

using Views = std::vector<std::string_view>;

// An entry as "code|number", to compare whole lists at once.
std::vector<std::string> Read(std::string_view list) {
    std::vector<std::string> read;
    for (const SentenceEntry& e : SentenceEntries(list))
        read.push_back(std::string(e.code) + "|" + std::string(e.number));
    return read;
}

TEST(RefLists, EachKeyIsClosedByASlashAndTheTextAfterTheLastIsNone) {
    EXPECT_EQ(PassageKeys("12/"), Views{"12"});
    EXPECT_EQ(PassageKeys("12/87/3/"), (Views{"12", "87", "3"}));
    EXPECT_EQ(PassageKeys("12/87"), Views{"12"});
    EXPECT_EQ(PassageKeys("87"), Views{});
    EXPECT_EQ(PassageKeys(""), Views{});
    // Keys are not trimmed: the table's conversion decides what " 87" names.
    EXPECT_EQ(PassageKeys(" 87 /"), Views{" 87 "});
}

TEST(RefLists, AnEmptySegmentNamesNothing) {
    EXPECT_EQ(PassageKeys("/"), Views{});
    EXPECT_EQ(PassageKeys("12//87/"), (Views{"12", "87"}));
    EXPECT_EQ(PassageKeys("//"), Views{});
    EXPECT_EQ(Read("T1//E2/"), (std::vector<std::string>{"T|1", "E|2"}));
    EXPECT_EQ(Read("/"), std::vector<std::string>{});
    // The split as it stands keeps them, for checks that report them.
    const SlashList split = SplitSlashList("T1//E2/M3");
    EXPECT_EQ(split.segments, (Views{"T1", "", "E2"}));
    EXPECT_EQ(split.rest, "M3");
    EXPECT_EQ(SplitSlashList("T1/").rest, "");
}

TEST(RefLists, AnEntryIsACodeAndAtMostFiveCharactersOfNumber) {
    EXPECT_EQ(Read("T123/E45/M7/P1/S99999/"),
              (std::vector<std::string>{"T|123", "E|45", "M|7", "P|1", "S|99999"}));
    EXPECT_EQ(Read("T1234567/"), std::vector<std::string>{"T|12345"});
    // A code alone has an empty number; an unknown code is still read as it stands.
    EXPECT_EQ(Read("T/X12/"), (std::vector<std::string>{"T|", "X|12"}));
    EXPECT_EQ(Read("T1/E2"), std::vector<std::string>{"T|1"});
    const SentenceEntry e = ReadSentenceEntry("E1234567");
    EXPECT_EQ(e.entry, "E1234567");
    EXPECT_EQ(e.code, "E");
    EXPECT_EQ(e.number, "12345");
}

TEST(RefLists, EveryViewLiesInsideTheList) {
    const std::string list = "T12/E345678//M9/rest";
    const char* begin = list.data();
    const char* end = begin + list.size();
    for (const SentenceEntry& e : SentenceEntries(list)) {
        for (std::string_view v : {e.entry, e.code, e.number}) {
            EXPECT_GE(v.data(), begin);
            EXPECT_LE(v.data() + v.size(), end);
        }
        EXPECT_EQ(e.code.data(), e.entry.data());
    }
    EXPECT_EQ(SplitSlashList(list).rest.data(), begin + 16);
    // Also where an entry has no number.
    const std::string code = "T/";
    const SentenceEntry alone = SentenceEntries(code).at(0);
    EXPECT_EQ(alone.number.data(), code.data() + 1);
}

}  // namespace
}  // namespace veloria::store
