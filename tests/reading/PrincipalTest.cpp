// The main window as a user drives it: start-up, the display of each kind of hit, moving through
// the hits, copying, the paragraph window and the protocol around every window it opens.
#include <gtest/gtest.h>

#include <QApplication>

#include "bible/PaBiblia.h"
#include "glossary/PaGlosario.h"
#include "reading/PaDesplegar.h"
#include "search/PaBuscar.h"
#include "tests/reading/ProgramFixture.h"
#include "widgets/Application.h"

namespace veloria::test {
namespace {

namespace t = widgets::testing;
using widgets::TdxButton;

QImage Picture(const char* file) {
    widgets::TBitmap b;
    b.LoadFromFile(file);
    return b.Image();
}

TEST_F(ProgramTest, StartsWithAnEmptyResultTable) {
    Start();
    EXPECT_EQ(F().Label7->Caption(), "0 Encontrados");
    for (TdxButton* b : Commands(F()))
        EXPECT_TRUE(b->Enabled()) << b->Name();
    EXPECT_FALSE(F().B_Biblia->Enabled());
    EXPECT_EQ(F().ScrollBar1->Max(), 1);
    EXPECT_EQ(F().Label8->Caption(), "1");
    EXPECT_EQ(uGlobal::ActivationCount, 1);
    EXPECT_TRUE(F().DBGrid1->Focused());
}

TEST_F(ProgramTest, StartsOnTheFirstHitWhoseBlankBibleFieldClosesTheBook) {
    SetHits({{"T", "1"}, {"T", "2"}});
    Start();
    EXPECT_EQ(F().Label7->Caption(), "1 / 2 References");
    EXPECT_EQ(F().Memo1->Text(), "First sentence of the text.");
    EXPECT_EQ(F().Label3->Caption(), "T-1.1");
    EXPECT_EQ(F().Label1->Caption(), "Chapter One");
    EXPECT_EQ(F().Label2->Caption(), "Section A");
    EXPECT_EQ(F().Label5->Caption(), "Text");
    EXPECT_EQ(F().Label6->Caption(), "Pag.");
    EXPECT_EQ(F().Label4->Caption(), "1");
    EXPECT_FALSE(F().B_Biblia->Enabled());
    EXPECT_EQ(F().B_Biblia->Glyph().Image(), Picture("BCerrado.bmp"));
    EXPECT_EQ(F().ScrollBar1->Max(), 2);
    EXPECT_EQ(F().ScrollBar1->Position(), 1);
}

TEST_F(ProgramTest, ShowsEachVolumeWithItsPageHeadingsAndBibleIndicator) {
    SetHits({{"S", "1"}, {"P", "1"}, {"M", "1"}, {"M", "2"}, {"E", "1"}, {"T", "2"}});
    Start();
    // The Song of Prayer and Psychotherapy show no page.
    EXPECT_EQ(F().Label5->Caption(), "The Song Of Prayer");
    EXPECT_EQ(F().Label4->Caption(), "  ");
    EXPECT_EQ(F().Label6->Caption(), " ");
    EXPECT_TRUE(F().B_Biblia->Enabled());
    EXPECT_EQ(F().B_Biblia->Glyph().Image(), Picture("BAbierto.bmp"));

    t::Click(*F().dxButton9);
    EXPECT_EQ(F().Label5->Caption(), "Psychotherapy");
    EXPECT_EQ(F().Label4->Caption(), "  ");
    EXPECT_EQ(F().Label6->Caption(), " ");
    EXPECT_FALSE(F().B_Biblia->Enabled()) << "a Bible field of blanks cites nothing";
    EXPECT_EQ(F().Label7->Caption(), "2 / 6 References");

    t::Click(*F().dxButton9);
    EXPECT_EQ(F().Label5->Caption(), "Manual for Teachers");
    EXPECT_EQ(F().Label1->Caption(), "");
    EXPECT_EQ(F().Label2->Caption(), "Who are teachers");
    EXPECT_EQ(F().Label6->Caption(), "Pag.");
    EXPECT_EQ(F().Label4->Caption(), "4");

    t::Click(*F().dxButton9);
    EXPECT_EQ(F().Label5->Caption(), "Clarification Of Terms");
    EXPECT_EQ(F().Label1->Caption(), "");
    EXPECT_EQ(F().Label2->Caption(), "Mind");

    t::Click(*F().dxButton9);
    EXPECT_EQ(F().Label5->Caption(), "Workbook");
    EXPECT_EQ(F().Label1->Caption(), "Lesson 1");
    EXPECT_EQ(F().Label4->Caption(), "7");
    EXPECT_EQ(F().ScrollBar1->Position(), 5);
}

TEST_F(ProgramTest, ARowWhoseSentenceIsMissingKeepsTheDisplayButMovesTheCounter) {
    SetHits({{"T", "1"}, {"T", "99"}});
    Start();
    t::Click(*F().dxButton9);
    EXPECT_EQ(F().Memo1->Text(), "First sentence of the text.");
    EXPECT_EQ(F().Label7->Caption(), "2 / 2 References");
    EXPECT_EQ(F().ScrollBar1->Position(), 2);
}

TEST_F(ProgramTest, NavigationStopsAtBothEnds) {
    SetHits({{"T", "1"}, {"T", "2"}, {"T", "3"}});
    Start();
    t::Click(*F().dxButton8);
    EXPECT_EQ(F().Label7->Caption(), "1 / 3 References");
    t::Click(*F().dxButton15);
    EXPECT_EQ(F().Label7->Caption(), "3 / 3 References");
    EXPECT_EQ(F().Memo1->Text(), "  Third sentence.  ");
    EXPECT_EQ(F().ScrollBar1->Position(), 3);
    t::Click(*F().dxButton9);
    EXPECT_EQ(F().Label7->Caption(), "3 / 3 References");
    t::Click(*F().dxButton7);
    EXPECT_EQ(F().Label7->Caption(), "1 / 3 References");
    EXPECT_TRUE(F().DBGrid1->Focused());
}

TEST_F(ProgramTest, GridKeysShowTheRowTheyMovedToWhenReleased) {
    SetHits({{"T", "1"}, {"T", "2"}, {"T", "3"}});
    Start();
    t::KeyPress(F(), Qt::Key_Down);
    EXPECT_EQ(F().Memo1->Text(), "First sentence of the text.") << "a key press shows the old row";
    t::KeyRelease(F(), Qt::Key_Down);
    EXPECT_EQ(F().Memo1->Text(), "Second sentence.");
    EXPECT_EQ(F().Label7->Caption(), "2 / 3 References");
    EXPECT_EQ(F().ScrollBar1->Position(), 2);
    t::HoldKey(F(), Qt::Key_Down, 3);
    EXPECT_EQ(F().Label7->Caption(), "3 / 3 References");
}

TEST_F(ProgramTest, ScrollBarGesturesEndOnTheRowTheBarNames) {
    SetHits({{"T", "1"}, {"T", "2"}, {"T", "3"}, {"T", "4"}, {"T", "5"}});
    Start();
    auto& bar = *F().ScrollBar1;
    t::Click(bar, QPoint(bar.Width() / 2, bar.Height() - 5));  // the lower arrow
    EXPECT_EQ(bar.Position(), 2);
    EXPECT_EQ(F().Texto_B.RecNo(), 2);
    EXPECT_EQ(F().Memo1->Text(), "Second sentence.");
    t::Wheel(bar, -2);
    EXPECT_EQ(F().Texto_B.RecNo(), bar.Position());
    EXPECT_EQ(F().Label7->Caption(), std::to_string(bar.Position()) + " / 5 References");
    // The thumb dragged past the end of the bar.
    const QPoint thumb = t::ThumbCentre(bar);
    t::MousePress(bar, thumb);
    t::MouseMove(bar, thumb + QPoint(0, 10));
    t::MouseMove(bar, QPoint(thumb.x(), bar.Height() + 40));
    t::MouseRelease(bar, QPoint(thumb.x(), bar.Height() + 40));
    EXPECT_EQ(bar.Position(), 5);
    EXPECT_EQ(F().Texto_B.RecNo(), 5);
    EXPECT_EQ(F().Memo1->Text(), "Fifth.");
    EXPECT_TRUE(F().DBGrid1->Focused());
}

TEST_F(ProgramTest, ABarPastTheLastRowStopsThereAndFollowsTheRow) {
    // A count larger than the table.
    SetResults({{"ref", "1", "s", "T"}, {"ref", "2", "s", "T"}}, 4);
    Start();
    t::Click(*F().dxButton15);
    EXPECT_EQ(F().Texto_B.RecNo(), 2);
    EXPECT_EQ(F().ScrollBar1->Position(), 2);
    EXPECT_EQ(F().Label7->Caption(), "2 / 4 References");
}

TEST_F(ProgramTest, CopyPutsTheSentenceWithItsTrimmedReferenceOrTheSelection) {
    SetHits({{"T", "1"}});
    Start();
    t::Click(*F().dxButton4);
    EXPECT_EQ(widgets::Clipboard().AsText(), "First sentence of the text. (T-1.1)");
    t::Click(*F().Memo1);
    F().Memo1->SetSelStart(6);
    F().Memo1->SetSelLength(8);
    t::KeyClick(F(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(widgets::Clipboard().AsText(), "sentence");
}

TEST_F(ProgramTest, CopyOnAnEmptyResultTableLeavesTheClipboard) {
    Start();
    widgets::Clipboard().SetAsText("before");
    t::Click(*F().dxButton4);
    EXPECT_EQ(widgets::Clipboard().AsText(), "before");
}

// The paragraph window's text for the hit, opened with the mouse.
std::string ParagraphShown(TForm1& f) {
    std::string shown;
    t::WhenModal(*FDesplegar, [&] {
        shown = FDesplegar->Memo1->Text();
        t::KeyClick(*FDesplegar, Qt::Key_Escape);
    });
    t::Click(*f.dxButton6);
    return shown;
}

TEST_F(ProgramTest, ParagraphsOfOneSentenceAndOfSeveral) {
    SetHits({{"T", "1"}, {"T", "3"}, {"T", "6"}});
    Start();
    EXPECT_EQ(ParagraphShown(F()), "      First sentence of the text.");
    t::Click(*F().dxButton9);
    EXPECT_EQ(ParagraphShown(F()), "     Second sentence. Third sentence. Fourth.");
    // The last paragraph of the volume ends with its last row, joined once.
    t::Click(*F().dxButton9);
    EXPECT_EQ(ParagraphShown(F()), "     Fifth. Sixth, the last of the volume.");
    EXPECT_EQ(F().Label7->Caption(), "3 / 3 References");
}

TEST_F(ProgramTest, CommandsAfterAParagraphByItsAccessKeyActOnTheCurrentSentence) {
    SetHits({{"T", "2"}});
    Start();
    t::WhenModal(*FDesplegar, [] { t::KeyClick(*FDesplegar, Qt::Key_Escape); });
    t::KeyClick(F(), Qt::Key_P, Qt::AltModifier);
    t::KeyClick(F(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(widgets::Clipboard().AsText(), "Second sentence. (T-1.2)");
    std::string handed;
    t::WhenModal(*FBiblia, [&] {
        handed = uGlobal::BibleRefList;
        FBiblia->Close();
    });
    t::KeyClick(F(), Qt::Key_L, Qt::AltModifier);
    EXPECT_EQ(handed, "2/3/");
}

TEST_F(ProgramTest, AWindowOpenedWithTheMouseDisablesTheCommandsAndRestoresThem) {
    SetHits({{"T", "2"}, {"T", "1"}});
    Start();
    ASSERT_TRUE(F().B_Biblia->Enabled());
    bool allDisabled = false;
    QImage logo;
    t::WhenModal(*FDesplegar, [&] {
        allDisabled = !F().B_Biblia->Enabled();
        for (TdxButton* b : Commands(F()))
            allDisabled = allDisabled && !b->Enabled();
        logo = F().Image2->Picture().Image();
        FDesplegar->Close();
    });
    t::Click(*F().dxButton6);
    EXPECT_TRUE(allDisabled);
    EXPECT_EQ(logo, Picture("Logotipo02.bmp"));
    EXPECT_EQ(F().Image2->Picture().Image(), Picture("Logotipo01.bmp"));
    EXPECT_EQ(F().Label8->Caption(), "1");
    for (TdxButton* b : Commands(F()))
        EXPECT_TRUE(b->Enabled()) << b->Name();
    EXPECT_TRUE(F().B_Biblia->Enabled());
    EXPECT_TRUE(F().DBGrid1->Focused());
}

TEST_F(ProgramTest, AnAccessKeyKeepsTheBibleButtonStateItRemembered) {
    SetHits({{"T", "1"}, {"T", "2"}});
    Start();
    ASSERT_FALSE(F().B_Biblia->Enabled());
    t::WhenModal(*FGlosario, [] { FGlosario->Close(); });
    t::KeyClick(F(), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(F().Label8->Caption(), "0");
    EXPECT_FALSE(F().B_Biblia->Enabled());
    EXPECT_TRUE(F().dxButton1->Enabled());
}

TEST_F(ProgramTest, ClosingTheSearchWithoutSearchingLeavesTheDisplay) {
    SetHits({{"T", "1"}, {"T", "2"}});
    Start();
    t::Click(*F().dxButton9);
    t::WhenModal(*FBuscar, [] { t::KeyClick(*FBuscar, Qt::Key_Escape); });
    t::Click(*F().Boton1);
    EXPECT_EQ(uGlobal::SearchDone, 0);
    EXPECT_EQ(F().Label7->Caption(), "2 / 2 References");
    EXPECT_TRUE(F().DBGrid1->Focused());
}

TEST_F(ProgramTest, ActualizarShowsTheFirstRowOfANewSearch) {
    SetHits({{"T", "1"}});
    Start();
    // What a search writes through its own handles.
    store::Table results("Texto_B.DB");
    results.EmptyTable();
    for (const char* n : {"4", "5", "6"}) {
        results.Append();
        results.SetField("Numero", n);
        results.SetField("Libro", "T");
        results.Post();
    }
    store::Table config("Configura.db");
    config.Edit();
    config.SetField("Cantidad", std::int64_t(3));
    config.Post();
    F().Button4->Click();
    EXPECT_EQ(F().Label7->Caption(), "1 / 3 References");
    EXPECT_EQ(F().Memo1->Text(), "Fourth.");
    EXPECT_EQ(F().ScrollBar1->Max(), 3);
    EXPECT_EQ(F().ScrollBar1->Position(), 1);
}

TEST_F(ProgramTest, HelpOpensTheHelpPage) {
    Start();
    t::DialogCapture capture;
    t::Click(*F().dxButton5);
    ASSERT_EQ(capture.Opened().size(), 1u);
    EXPECT_EQ(capture.Opened()[0], "Help.htm");
}

TEST_F(ProgramTest, HelpThatNoProgramCouldOpenSaysSoAndNamesTheFile) {
    Start();
    t::DialogCapture capture;
    capture.FailOpening();
    t::Click(*F().dxButton5);
    t::ProcessEvents();
    ASSERT_EQ(capture.Messages().size(), 1u);
    const std::string message = capture.Messages()[0];
    EXPECT_NE(message.find("No program could open the help page"), std::string::npos) << message;
    EXPECT_NE(message.find((Dir() / "Help.htm").string()), std::string::npos) << message;
}

TEST_F(ProgramTest, AMissingBackgroundIsReportedButTheCommandsStillComeOn) {
    std::filesystem::remove(Dir() / "Fondo01.bmp");
    t::DialogCapture capture;
    Start();
    ASSERT_EQ(capture.Errors().size(), 1u);
    EXPECT_NE(capture.Errors()[0].find("Fondo01.bmp"), std::string::npos);
    for (TdxButton* b : Commands(F()))
        EXPECT_TRUE(b->Enabled()) << b->Name();
}

}  // namespace
}  // namespace veloria::test

namespace veloria::test {
namespace {

namespace t = widgets::testing;

TEST_F(ProgramTest, ASearchFromItsAccessKeyToTheFirstHit) {
    SetHits({{"T", "1"}});
    Start();
    SearchByKeys("sentence");
    EXPECT_EQ(uGlobal::SearchDone, 1);
    // Three sentences of the Text, two of the Manual, one each of Psychotherapy and the Song.
    EXPECT_EQ(uGlobal::ResultCount, 7);
    EXPECT_EQ(F().Label7->Caption(), "1 / 7 References");
    EXPECT_EQ(F().Memo1->Text(), "First sentence of the text.");
    EXPECT_EQ(F().ScrollBar1->Max(), 7);
    EXPECT_TRUE(F().DBGrid1->Focused());
    t::Click(*F().dxButton15);
    EXPECT_EQ(F().Label5->Caption(), "The Song Of Prayer");
}

}  // namespace
}  // namespace veloria::test
