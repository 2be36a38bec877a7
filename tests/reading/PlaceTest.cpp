// The user's place kept across a restart, and the line that says which search the hits come from.
#include <gtest/gtest.h>

#include <string>

#include "tests/reading/ProgramFixture.h"

namespace veloria::test {
namespace {

using widgets::testing::WhenModal;

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

TEST_F(ProgramTest, ARestartComesBackOnTheHitLeftWithTheMarksOfItsSearch) {
    Start();
    SearchByKeys("sentence");
    ASSERT_EQ(F().Label7->Caption(), "1 / 7 References");
    F().dxButton9->Click();
    F().dxButton9->Click();
    ASSERT_EQ(F().Memo1->Text(), "  Third sentence.  ");
    const std::string line = F().SearchLine->Caption();
    EXPECT_TRUE(Contains(line,
                         "\"SENTENCE\", any order: Text 3, Workbook 0, Manual for Teachers "
                         "2, Psychotherapy 1, The Song Of Prayer 1"))
        << line;

    EndProgram();
    Start();
    EXPECT_EQ(F().Label7->Caption(), "3 / 7 References");
    EXPECT_EQ(F().Memo1->Text(), "  Third sentence.  ");
    EXPECT_FALSE(F().Memo1->Marks().empty());
    EXPECT_EQ(F().SearchLine->Caption(), line);
    // The search dialog still opens with an empty word box.
    WhenModal(*FBuscar, [] {
        EXPECT_EQ(FBuscar->Edit1->Text(), "");
        FBuscar->Close();
    });
    F().Boton1->Click();
}

TEST_F(ProgramTest, HitsLeftByAnotherSearchThanTheRememberedOneGetNoPlaceNorMarks) {
    Start();
    SearchByKeys("sentence");
    F().dxButton9->Click();
    EndProgram();
    SetHits({{"T", "5"}, {"T", "6"}});
    Start();
    EXPECT_EQ(F().Label7->Caption(), "1 / 2 References");
    EXPECT_TRUE(F().Memo1->Marks().empty());
    EXPECT_TRUE(Contains(F().SearchLine->Caption(), "earlier search")) << F().SearchLine->Caption();
}

TEST_F(ProgramTest, ARefusedSearchSaysTheHitsAreStillTheOldOnes) {
    Start();
    SearchByKeys("fifth");
    ASSERT_EQ(F().Label7->Caption(), "1 / 1 References");
    SearchByKeys("   ");
    const std::string line = F().SearchLine->Caption();
    EXPECT_EQ(line.rfind("Not searched: the word box was empty. The hits are still those of the "
                         "search before. \"FIFTH\"",
                         0),
              0u)
        << line;
    EXPECT_EQ(F().Label7->Caption(), "1 / 1 References");
    // The next search that runs says nothing of the refusal.
    SearchByKeys("sixth");
    EXPECT_EQ(F().SearchLine->Caption().rfind("\"SIXTH\"", 0), 0u) << F().SearchLine->Caption();
}

}  // namespace
}  // namespace veloria::test
