// The main window on a damaged data directory: pictures missing at start (a directory built
// without them) or vanishing while the program runs (the directory rebuilt under it), and a
// stored hit count that is no count. The window stays usable and shows no wrong number.
#include <gtest/gtest.h>

#include "reading/PaDesplegar.h"
#include "store/Sqlite.h"
#include "tests/reading/ProgramFixture.h"

namespace veloria::test {
namespace {

namespace t = widgets::testing;
using widgets::TdxButton;

constexpr const char* kPictures[] = {"Fondo01.bmp", "Logotipo01.bmp", "Logotipo02.bmp",
                                     "BAbierto.bmp", "BCerrado.bmp"};

// Started without the closed-book picture, the program reports it once, in a real box dismissed
// by Enter as a user would, and then is a program like any other: the grid moves, the other
// commands work, Exit answers. It used to bring the box back at every dismissal.
TEST_F(ProgramTest, WithoutTheClosedBookPictureOneBoxThenAUsableWindow) {
    SetHits({{"T", "1"}, {"T", "2"}, {"T", "3"}});
    std::filesystem::remove(Dir() / "BCerrado.bmp");
    t::RealBoxes boxes(t::RealBoxes::Answer::Enter);
    Start();
    t::ProcessEvents(300);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Cannot open file \"BCerrado.bmp\""});
    for (TdxButton* b : Commands(F()))
        EXPECT_TRUE(b->Enabled()) << b->Name();
    EXPECT_TRUE(F().DBGrid1->Focused());
    EXPECT_EQ(F().Label7->Caption(), "1 / 3 References");
    EXPECT_EQ(F().Memo1->Text(), "First sentence of the text.");
    EXPECT_TRUE(F().B_Biblia->Glyph().Empty()) << "no picture rather than a wrong one";
    EXPECT_FALSE(F().B_Biblia->Enabled());

    for (const char* expected : {"2 / 3 References", "3 / 3 References"}) {
        t::KeyClick(F(), Qt::Key_Down);
        EXPECT_EQ(F().Label7->Caption(), expected);
    }
    EXPECT_EQ(F().Memo1->Text(), "  Third sentence.  ");
    t::KeyClick(F(), Qt::Key_Up);
    EXPECT_EQ(F().Label7->Caption(), "2 / 3 References");
    EXPECT_TRUE(F().B_Biblia->Enabled()) << "the sentence cites the Bible";
    EXPECT_FALSE(F().B_Biblia->Glyph().Empty());

    t::WhenModal(*FDesplegar, [] { FDesplegar->Close(); });
    t::KeyClick(F(), Qt::Key_P, Qt::AltModifier);
    t::ProcessEvents(100);
    EXPECT_EQ(boxes.Texts().size(), 1u);
    EXPECT_TRUE(F().DBGrid1->Focused());
    // Exit answers its access key (it did not: the commands stayed off).
    bool exited = false;
    F().dxButton3->OnClick = [&] { exited = true; };
    t::KeyClick(F(), Qt::Key_X, Qt::AltModifier);
    EXPECT_TRUE(exited);
}

// The program's working tables lost (removed by hand, say): made again, empty, at start, and the
// count stored with the lost results is not believed.
TEST_F(ProgramTest, MissingWorkingTablesAreMadeAgainEmptyAtStart) {
    SetHits({{"T", "1"}, {"T", "2"}});
    for (const char* table : {"Texto_B.DB", "Texto2B.DB", "TBiblia.db"})
        std::filesystem::remove(Dir() / table);
    t::DialogCapture capture;
    Start();
    EXPECT_TRUE(capture.Errors().empty());
    EXPECT_EQ(F().Label7->Caption(), "0 Encontrados");
    for (const char* table : {"Texto_B.DB", "Texto2B.DB", "TBiblia.db"})
        EXPECT_TRUE(store::Table(table).IsEmpty()) << table;
}

// A directory built without any picture: one report, and every command, those that open a window
// included, works.
TEST_F(ProgramTest, WithoutAnyPictureOneReportAndEveryCommandWorks) {
    SetHits({{"T", "1"}, {"T", "2"}});
    for (const char* picture : kPictures)
        std::filesystem::remove(Dir() / picture);
    t::DialogCapture capture;
    Start();
    ASSERT_EQ(capture.Errors().size(), 1u);
    EXPECT_NE(capture.Errors()[0].find(".bmp"), std::string::npos);
    for (TdxButton* b : Commands(F()))
        EXPECT_TRUE(b->Enabled()) << b->Name();

    bool shown = false;
    t::WhenModal(*FDesplegar, [&] {
        shown = true;
        FDesplegar->Close();
    });
    t::Click(*F().dxButton6);
    EXPECT_TRUE(shown);
    t::Click(*F().dxButton9);
    EXPECT_EQ(F().Label7->Caption(), "2 / 2 References");
    EXPECT_EQ(capture.Errors().size(), 1u);
}

// The pictures vanish under the running program (its directory rebuilt without them): the next
// display reports it once, and the window goes on.
TEST_F(ProgramTest, PicturesThatVanishWhileRunningAreReportedOnce) {
    SetHits({{"T", "1"}, {"T", "2"}, {"T", "3"}, {"T", "4"}});
    Start();
    for (const char* picture : kPictures)
        std::filesystem::remove(Dir() / picture);
    t::DialogCapture capture;
    for (int i = 0; i < 3; ++i)
        t::Click(*F().dxButton9);
    t::Click(*F().dxButton7);
    EXPECT_EQ(capture.Errors(), std::vector<std::string>{"Cannot open file \"BAbierto.bmp\""});
    EXPECT_EQ(F().Label7->Caption(), "1 / 4 References");
    EXPECT_TRUE(F().DBGrid1->Focused());
}

// A stored count that is no count can come only from damage: the rows stand in for it, and no
// counter shows a negative or wrapped number. A stored 0 keeps its meaning.
TEST_F(ProgramTest, ADamagedStoredCountShowsTheRowsNeverAWrappedNumber) {
    SetHits({{"T", "1"}, {"T", "2"}});
    {
        store::sqlite::Database db(Dir() / "Configura.db", SQLITE_OPEN_READWRITE);
        db.Exec("UPDATE Configura SET Cantidad = 3000000000");
    }
    Start();
    EXPECT_EQ(F().Label7->Caption(), "1 / 2 References");
    EXPECT_EQ(F().ScrollBar1->Max(), 2);
    t::Click(*F().dxButton15);
    EXPECT_EQ(F().Label7->Caption(), "2 / 2 References");

    store::Table config("Configura.db");  // as a search writes it
    config.Edit();
    config.SetField("Cantidad", std::int64_t(0));
    config.Post();
    F().Button4->Click();
    EXPECT_EQ(F().Label7->Caption(), "0 Encontrados");
}

}  // namespace
}  // namespace veloria::test
