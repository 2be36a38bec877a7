// The reading window as a user meets it, on the program's small corpus: opened from the main
// window at a hit and following the hits, its moves, the reference box, the find, Copy, and its
// place beside the modal Bible windows.
//
// The Text of the corpus: [1] [2 3 4] in section A of chapter One, [5 6] in section B of chapter
// Two; references "  T-1.1  ", T-1.2 ... T-1.4, T-2.1, T-2.2; sentences 2 and 4 cite the Bible.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>

#include "reader/ReadingWindow.h"
#include "tests/reading/ProgramFixture.h"
#include "widgets/Application.h"
#include "widgets/Look.h"
#include "widgets/TextMarks.h"

namespace veloria::test {
namespace {

namespace t = widgets::testing;
using reader::ReadingWindow;
using reader::SentencePlace;

class ReaderTest : public ProgramTest {
  protected:
    ReadingWindow& R() { return *reader::Reader; }
    // The sentence under the caret, as "T3".
    std::string Here() {
        const auto place = R().CurrentSentence();
        return place ? std::string(1, place->code) + std::to_string(place->numero) : "none";
    }
    void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        t::KeyClick(R(), key, modifiers);
    }
    void GoTo(std::string_view reference) {
        Keys(Qt::Key_L, Qt::ControlModifier);
        t::TypeText(R(), reference);
        Keys(Qt::Key_Return);
    }
    void Find(std::string_view words) {
        Keys(Qt::Key_F, Qt::ControlModifier);
        t::TypeText(R(), words);
        Keys(Qt::Key_Return);
    }
    // Opens the reader from the main window at the current hit.
    void Read() { t::Click(*F().ReadButton); }
};

TEST_F(ReaderTest, ReadOpensAtTheHitBesideTheMainWindowWhichStaysUsableAndIsFollowed) {
    SetHits({{"T", "3"}, {"E", "1"}, {"T", "3"}, {"S", "1"}});
    uGlobal::HitPatterns = {"#THIRD"};
    Start();
    Read();
    ASSERT_TRUE(R().Visible());
    EXPECT_FALSE(R().Modal());
    EXPECT_EQ(Here(), "T3");
    EXPECT_TRUE(R().Text->Focused());
    EXPECT_EQ(R().Status->Caption(), "T-1.3 \xB7 Text \xB7 Section A \xB7 page 2");
    // The hit's words are marked in its paragraph, "Second sentence. Third sentence. Fourth.".
    int start = 0, end = 0;
    const auto mark = R().Text->MarkAt({2, store::BlockKind::Paragraph}, 18, &start, &end);
    ASSERT_TRUE(mark);
    EXPECT_EQ(mark->first, widgets::Look().matchBackground);
    EXPECT_EQ(std::pair(start, end), std::pair(17, 22));
    // The main window's commands stay as they were, and it goes on: the reader follows each hit.
    for (widgets::TdxButton* b : Commands(F()))
        EXPECT_TRUE(b->Enabled()) << b->Name();
    t::Activate(F());
    t::Click(*F().dxButton9);
    EXPECT_EQ(Here(), "E1");
    EXPECT_EQ(R().Caption(), "Reading - Workbook");
    t::Click(*F().dxButton9);
    EXPECT_EQ(Here(), "T3");
    // The main window showing the same hit again leaves the reader where the user went.
    Keys(Qt::Key_Up, Qt::AltModifier);
    F().DBGrid1Enter();
    EXPECT_EQ(Here(), "T2");
    t::Click(*F().dxButton15);
    EXPECT_EQ(Here(), "S1");
    // Each hit followed is a jump: Back goes through them.
    Keys(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(Here(), "T2");
    Keys(Qt::Key_Right, Qt::AltModifier);
    EXPECT_EQ(Here(), "S1");
}

TEST_F(ReaderTest, SentenceParagraphSectionAndTheEndsMoveTheCaretAndStopAtTheEdges) {
    SetHits({{"T", "1"}});
    Start();
    Read();
    EXPECT_EQ(Here(), "T1");
    Keys(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Here(), "T2");
    Keys(Qt::Key_Down, Qt::AltModifier);
    Keys(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Here(), "T2");
    Keys(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Here(), "T5");
    Keys(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Here(), "T2");
    Keys(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Here(), "T5");
    EXPECT_EQ(R().Status->Caption(), "T-2.1 \xB7 Text \xB7 Section B \xB7 page 3");
    Keys(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Here(), "T5");
    EXPECT_EQ(R().Message->Caption(), "No next section in this volume.");
    Keys(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Here(), "T1");
    Keys(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Here(), "T6");
    Keys(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Here(), "T6");
    EXPECT_EQ(R().Message->Caption(), "No next sentence in this volume.");
    Keys(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Here(), "T1");
    // The whole volume is in view: Page Down takes the caret to its end, Page Up to its start.
    Keys(Qt::Key_PageDown);
    EXPECT_EQ(Here(), "T6");
    Keys(Qt::Key_PageUp);
    EXPECT_EQ(Here(), "T1");
    // The buttons do the same, and give the text the keyboard back. From the headings at the
    // start the next sentence is the first.
    t::Click(*R().NextSentenceButton);
    EXPECT_EQ(Here(), "T1");
    t::Click(*R().NextParagraphButton);
    EXPECT_EQ(Here(), "T2");
    EXPECT_TRUE(R().Text->Focused());
    t::Click(*R().EndButton);
    EXPECT_EQ(Here(), "T6");
    // The ends are jumps: Back returns, Forward again.
    t::Click(*R().BackButton);
    EXPECT_EQ(Here(), "T2");
    t::Click(*R().ForwardButton);
    EXPECT_EQ(Here(), "T6");
}

TEST_F(ReaderTest, ClosingAndOpeningAgainKeepsThePlaceUnlessTheHitMoved) {
    SetHits({{"T", "2"}, {"T", "6"}});
    Start();
    Read();
    Keys(Qt::Key_Down, Qt::AltModifier);
    Keys(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Here(), "T4");
    Keys(Qt::Key_Escape);
    EXPECT_FALSE(R().Visible());
    // Closed, it follows nothing; opened again on the same hit it is where it was left.
    t::Activate(F());
    t::Click(*F().dxButton9);
    t::Click(*F().dxButton8);
    Read();
    EXPECT_EQ(Here(), "T4");
    Keys(Qt::Key_Escape);
    t::Activate(F());
    t::Click(*F().dxButton9);
    Read();
    EXPECT_EQ(Here(), "T6");
    // Another search that finds the same hit: the hit again, with its new marks.
    Keys(Qt::Key_Up, Qt::AltModifier);
    Keys(Qt::Key_Escape);
    uGlobal::HitPatterns = {"#SIXTH"};
    Read();
    EXPECT_EQ(Here(), "T6");
}

TEST_F(ReaderTest, TheReferenceBoxGoesToAWholeReferenceOrABeginningAndSaysWhenThereIsNone) {
    SetHits({{"T", "1"}});
    Start();
    Read();
    t::DialogCapture boxes;
    GoTo("T-2.2");
    EXPECT_EQ(Here(), "T6");
    EXPECT_TRUE(R().Text->Focused());
    // Blanks and case aside; a beginning: the first sentence whose reference begins so, in
    // whichever volume.
    GoTo(" w-1");
    EXPECT_EQ(Here(), "E1");
    GoTo("T-1");
    EXPECT_EQ(Here(), "T1");
    GoTo("T-9.9");
    EXPECT_EQ(Here(), "T1");
    EXPECT_EQ(R().Message->Caption(), "There is no reference \"T-9.9\" in the work.");
    EXPECT_TRUE(boxes.Dialogs().empty());
    // The jumps are remembered.
    Keys(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(Here(), "E1");
    Keys(Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(Here(), "T6");
}

TEST_F(ReaderTest, FindGoesToTheNextAndPreviousMatchRoundTheVolumeAndMarksIt) {
    SetHits({{"T", "1"}});
    Start();
    Read();
    Find("SENT");
    EXPECT_EQ(Here(), "T2");
    int start = 0, end = 0;
    ASSERT_TRUE(R().Text->MarkAt({2, store::BlockKind::Paragraph}, 7, &start, &end));
    EXPECT_EQ(std::pair(start, end), std::pair(7, 11));
    Keys(Qt::Key_F3);
    EXPECT_EQ(Here(), "T3");
    Keys(Qt::Key_F3);
    EXPECT_EQ(Here(), "T1");
    EXPECT_EQ(R().Message->Caption(), "Found from the start of the volume.");
    Keys(Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Here(), "T3");
    EXPECT_EQ(R().Message->Caption(), "Found from the end of the volume.");
    // A phrase, normalised as the search normalises it.
    Find("LAST, of  the");
    EXPECT_EQ(Here(), "T6");
    Find("nowhere");
    EXPECT_EQ(Here(), "T6");
    EXPECT_EQ(R().Message->Caption(), "\"nowhere\" is not in this volume.");
}

TEST_F(ReaderTest, CopyTakesTheSentenceWithItsReferenceOrTheSelectionAlone) {
    SetHits({{"T", "3"}});
    Start();
    Read();
    widgets::Clipboard().Clear();
    t::Click(*R().CopyButton);
    EXPECT_EQ(widgets::Clipboard().AsText(), "  Third sentence.   (T-1.3)");
    // The caret stands at the start of "Third": five characters selected.
    for (int i = 0; i < 5; ++i)
        Keys(Qt::Key_Right, Qt::ShiftModifier);
    Keys(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(widgets::Clipboard().AsText(), "Third");
    // Across the end of a paragraph, line breaks between.
    for (int i = 0; i < 20; ++i)
        Keys(Qt::Key_Right, Qt::ShiftModifier);
    t::Click(*R().CopyButton);
    EXPECT_EQ(widgets::Clipboard().AsText(), "Third sentence. Fourth.\r\nC");
}

TEST_F(ReaderTest, TheContentsListEveryVolumeAndReadFromTheEntryTypedTo) {
    SetHits({{"T", "1"}});
    Start();
    Read();
    ASSERT_TRUE(R().Contents->isVisible());
    R().Contents->SetFocus();
    t::TypeText(R(), "two");
    EXPECT_EQ(R().Contents->currentIndex().data().toString(), "Chapter Two");
    Keys(Qt::Key_Return);
    EXPECT_EQ(Here(), "T5");
    EXPECT_TRUE(R().Text->Focused());
    R().Contents->SetFocus();
    t::ProcessEvents(QApplication::keyboardInputInterval() + 50);
    // Closed volumes are searched too, by any word of an entry, accents and case aside.
    t::TypeText(R(), "PUR");
    EXPECT_EQ(R().Contents->currentIndex().data().toString(), "Purpose");
    Keys(Qt::Key_Return);
    EXPECT_EQ(Here(), "P1");
    EXPECT_EQ(R().Caption(), "Reading - Psychotherapy");
    t::Click(*R().ContentsButton);
    EXPECT_FALSE(R().Contents->isVisible());
}

TEST_F(ReaderTest, FromAModalBibleWindowTheReaderWorksBesideItAndTheListFollows) {
    SetHits({});
    Start();
    bool besideWorked = false;
    t::WhenModal(*FCurBi, [&] {
        t::Click(*FCurBi->ReadButton);
        EXPECT_EQ(Here(), "T2");
        // Input reaches the reader, and the list behind it still works.
        Keys(Qt::Key_Down, Qt::AltModifier);
        EXPECT_EQ(Here(), "T3");
        t::Click(*FCurBi->dxButton6);
        besideWorked = R().Visible() && FCurBi->Visible();
        t::Click(*FCurBi->dxButton1);
    });
    t::Click(*F().dxButton10);
    EXPECT_TRUE(besideWorked);
    // The list's opener is the window worked in again; the reader stays open and usable.
    EXPECT_EQ(widgets::Application().ActiveForm(), Form1);
    EXPECT_TRUE(R().Visible());
    Keys(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Here(), "T4");
    // The passage viewer the reader opens is modal over everything.
    bool viewer = false;
    t::WhenModal(*FBiblia, [&] {
        viewer = FBiblia->DBGrid1->DataTable().RowCount() == 1;
        FBiblia->Close();
    });
    t::Click(*R().BibleButton);
    EXPECT_TRUE(viewer);
    EXPECT_EQ(uGlobal::BibleRefList, "1/");
}

TEST_F(ReaderTest, AScreenReaderFindsHeadingsAndParagraphsAndReadsBySentence) {
    SetHits({{"T", "2"}});
    Start();
    Read();
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(R().Text);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->role(), QAccessible::Document);
    EXPECT_EQ(view->text(QAccessible::Name), "Text");
    std::vector<std::pair<QAccessible::Role, QString>> children;
    for (int i = 0; i < view->childCount(); ++i) {
        QAccessibleInterface* c = view->child(i);
        children.emplace_back(c->role(), c->textInterface()->text(0, -1));
    }
    ASSERT_GE(children.size(), 4u);
    EXPECT_EQ(children[0], std::pair(QAccessible::Heading, QString("Chapter One")));
    EXPECT_EQ(children[1], std::pair(QAccessible::Heading, QString("Section A")));
    EXPECT_EQ(children[3].first, QAccessible::Paragraph);
    // The focus is on the paragraph of the caret; its sentences are the volume's own.
    QAccessibleInterface* paragraph = view->focusChild();
    ASSERT_NE(paragraph, nullptr);
    QAccessibleTextInterface* text = paragraph->textInterface();
    EXPECT_EQ(text->cursorPosition(), 0);
    int start = 0, end = 0;
    EXPECT_EQ(text->textAtOffset(0, QAccessible::SentenceBoundary, &start, &end),
              "Second sentence. ");
    EXPECT_EQ(text->textAfterOffset(0, QAccessible::SentenceBoundary, &start, &end),
              "Third sentence. ");
    Keys(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(view->focusChild(), paragraph);
    EXPECT_EQ(text->cursorPosition(), 17);
}

TEST_F(ReaderTest, EndToEndASearchReadAtTheThirdHitAndFollowedToTheSeventh) {
    Start();
    SearchByKeys("sentence");
    ASSERT_EQ(uGlobal::ResultCount, 7);
    t::Click(*F().dxButton9);
    t::Click(*F().dxButton9);
    t::KeyClick(F(), Qt::Key_R, Qt::AltModifier);
    EXPECT_EQ(Here(), "T3");
    int start = 0, end = 0;
    ASSERT_TRUE(R().Text->MarkAt({2, store::BlockKind::Paragraph}, 23, &start, &end));
    EXPECT_EQ(std::pair(start, end), std::pair(23, 31));
    t::Activate(F());
    for (const char* hit : {"M1", "M2", "P1", "S1"}) {
        t::Click(*F().dxButton9);
        EXPECT_EQ(Here(), hit);
    }
    EXPECT_EQ(F().Label7->Caption(), "7 / 7 References");
    EXPECT_EQ(R().Caption(), "Reading - The Song Of Prayer");
}

}  // namespace
}  // namespace veloria::test
