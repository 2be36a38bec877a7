// The start: the main window and the tip of the day come first, the other windows once the tip is
// painted, and a table that cannot be opened still ends the program with its message.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "app/StartPreparation.h"
#include "tests/reading/ProgramFixture.h"
#include "tests/study/DamagedStudy.h"

namespace veloria::test {
namespace {

namespace t = widgets::testing;

TEST_F(ProgramTest, TheOtherWindowsAreMadeWhileTheTipIsUp) {
    SetResults({}, 0);
    app::CreateForms(nullptr);
    EXPECT_EQ(FGlosario, nullptr);
    bool madeBeforeTheTip = true, madeUnderTheTip = false;
    t::WhenModal(*FFrase, [&] {
        madeBeforeTheTip = FGlosario != nullptr;
        madeUnderTheTip = t::WaitFor([] { return notes::Bookmarks != nullptr; });
        FFrase->Close();
    });
    Form1->Show();
    t::ProcessEvents();
    EXPECT_FALSE(madeBeforeTheTip);
    EXPECT_TRUE(madeUnderTheTip);
    // The commands, on once the tip closes, find every window made.
    for (widgets::TForm* form : std::initializer_list<widgets::TForm*>{
             FGlosario, FBuscar, PBarra, FBiblia, FDesplegar, FBC, FB_Veloria, FCurBi,
             reader::Reader, FSettings, notes::Bookmarks})
        ASSERT_NE(form, nullptr);
    EXPECT_TRUE(F().dxButton1->Enabled());
}

// The check of the user's every page waits for the first paint: damage it finds is said then,
// the file kept aside, and the program goes on with a new store.
TEST_F(ProgramTest, AStudyFileFoundDamagedAfterTheFirstPaintIsSetAsideThen) {
    study::testing::MakeDamagedStudy(Dir(), "bookmark");
    SetResults({}, 0);
    t::DialogCapture boxes;
    app::CreateForms(nullptr);
    bool saidBeforeTheTip = true;
    t::WhenModal(*FFrase, [&] {
        saidBeforeTheTip = !boxes.Dialogs().empty();
        t::WaitFor([] { return notes::Bookmarks != nullptr; });
        FFrase->Close();
    });
    Form1->Show();
    t::ProcessEvents();
    EXPECT_FALSE(saidBeforeTheTip);
    ASSERT_EQ(boxes.Dialogs().size(), 1u);
    EXPECT_NE(boxes.Dialogs()[0].text.find("was damaged"), std::string::npos);
    ASSERT_TRUE(study::Study());
    EXPECT_EQ(study::Study()->BookmarkCount(), 0);
}

// The program prepares its start on a thread of its own while the splash is up: the windows it
// then makes stand where a start on one thread puts them, and a failure on that thread is said
// where the same failure always was.
TEST_F(ProgramTest, AStartPreparedOnItsOwnThreadIsTheStartOfOneThread) {
    SetHits({{"T", "1"}, {"T", "2"}});
    {
        app::StartPreparation preparation;
        app::CreateForms(nullptr, preparation);
    }
    t::WhenModal(*FFrase, [] { FFrase->Close(); });
    Form1->Show();
    t::ProcessEvents();
    EXPECT_EQ(F().Label7->Caption(), "1 / 2 References");
    EXPECT_EQ(F().Memo1->Text(), "First sentence of the text.");
    EXPECT_NE(study::Study(), nullptr);
}

TEST_F(ProgramTest, WhatThePreparationsThreadCouldNotDoIsSaidWhereItAlwaysWas) {
    SetResults({}, 0);
    // The first window's volume: the thread meets the failure and leaves it to the window.
    std::filesystem::rename(Dir() / "LPsico.DB", Dir() / "aside");
    std::string said;
    try {
        app::StartPreparation preparation;
        app::CreateForms(nullptr, preparation);
    } catch (const store::StoreError& e) {
        said = e.what();
    }
    EXPECT_NE(said.find("LPsico.DB: table file not found"), std::string::npos) << said;
    EndProgram();
    std::filesystem::rename(Dir() / "aside", Dir() / "LPsico.DB");
    // A working table that cannot be made again, its journal's name taken by a folder: the
    // thread's failure, thrown when the preparation finishes, before any window is made.
    std::filesystem::remove(Dir() / "Texto_B.DB");
    std::filesystem::create_directories(Dir() / "Texto_B.DB-journal" / "kept");
    said.clear();
    try {
        app::StartPreparation preparation;
        app::CreateForms(nullptr, preparation);
    } catch (const store::StoreError& e) {
        said = e.what();
    }
    EXPECT_NE(said.find("Texto_B.DB-journal: cannot remove the old file"), std::string::npos)
        << said;
    EXPECT_EQ(Form1, nullptr);
}

TEST_F(ProgramTest, ATableOfALaterWindowMissingEndsTheProgramWithItsMessage) {
    // The child starts afresh: a fork of a process whose earlier tests left Qt's threads running
    // can stop on a lock one of them held.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    SetResults({}, 0);
    std::filesystem::remove(Dir() / "Glosario.DB");
    EXPECT_EXIT(
        {
            widgets::Application().SetDialogHook([](const widgets::ShownDialog& shown) {
                std::fprintf(stderr, "%s\n", shown.text.c_str());
                return 1;
            });
            Start();
        },
        testing::ExitedWithCode(1), "Glosario.DB: table file not found");
}

}  // namespace
}  // namespace veloria::test
