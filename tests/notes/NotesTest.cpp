// Bookmarks and notes as a user meets them: made from the main window, the reading window and the
// verse-to-text window, marked where their sentence is current, kept across a restart, listed,
// filtered, deleted and brought back, and written to a file and read from one.
//
// The corpus is the program's small one (tests/reading/ProgramFixture.h); the hits are the Text's
// sentences 2 and 4 ("Second sentence.", T-1.2; "Fourth.", T-1.4).
#include <gtest/gtest.h>

#include <fstream>

#include "notes/Bookmarking.h"
#include "notes/BookmarksWindow.h"
#include "notes/NoteDialog.h"
#include "study/BookmarkFile.h"
#include "tests/reading/ProgramFixture.h"
#include "tests/reading/WhenShowing.h"
#include "widgets/Application.h"
#include "widgets/FileChoice.h"

namespace veloria::test {
namespace {

namespace t = widgets::testing;
using notes::NoteDialog;

// A note no single-byte code page holds, with a no-break space and two lines.
const char* const kNote =
    "Se\xC3\xB1"
    "al \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC\xC2\xA0x\nline two";

class NotesTest : public ProgramTest {
  protected:
    void StartOnHits() {
        SetHits({{"T", "2"}, {"T", "4"}});
        Start();
    }
    static void WhenNoteDialog(std::function<void(NoteDialog&)> action) {
        WhenShowing<NoteDialog>(std::move(action));
    }
    static void TypeNote(const std::string& note) {
        WhenNoteDialog([note](NoteDialog& d) {
            d.NoteBox->selectAll();
            d.NoteBox->insertPlainText(QString::fromUtf8(note));
            d.SaveButton->Click();
        });
    }
    static study::StudyStore& Store() { return *study::Study(); }
    void Restart() {
        widgets::Application().DestroyForms();
        study::CloseStudy();
        notes::ForgetChangeActions();
        Start();
    }
};

TEST_F(NotesTest, ANoteMadeOnAHitIsMarkedKeptExactlyAcrossARestartAndOpensInTheReader) {
    StartOnHits();
    Form1->dxButton9->Click();  // hit 2
    EXPECT_EQ(Form1->MarkLabel->Caption(), "");
    TypeNote(kNote);
    t::KeyClick(*Form1, Qt::Key_M, Qt::AltModifier);
    EXPECT_EQ(Form1->MarkLabel->Caption(),
              "Note: Se\xF1"
              "al \x97 ??\xA0x");
    // The other hit has no mark.
    Form1->dxButton7->Click();
    EXPECT_EQ(Form1->MarkLabel->Caption(), "");

    Restart();
    Form1->dxButton9->Click();
    EXPECT_EQ(Form1->MarkLabel->Caption().substr(0, 6), "Note: ");
    const auto bookmarks = Store().Bookmarks();
    ASSERT_EQ(bookmarks.size(), 1u);
    EXPECT_EQ(bookmarks[0].note, kNote);
    EXPECT_EQ(bookmarks[0].reference, "T-1.4");

    t::KeyClick(*Form1, Qt::Key_K, Qt::AltModifier);
    notes::BookmarksWindow& list = *notes::Bookmarks;
    ASSERT_TRUE(list.Visible());
    ASSERT_EQ(list.List->topLevelItemCount(), 1);
    EXPECT_EQ(list.List->topLevelItem(0)->text(0), "T-1.4");
    list.OpenButton->Click();
    ASSERT_TRUE(reader::Reader->Visible());
    EXPECT_EQ(reader::Reader->CurrentSentence(), (reader::SentencePlace{'T', 4}));
    // The reader's own command edits the same bookmark; emptying the note keeps the bookmark.
    TypeNote("");
    reader::Reader->BookmarkButton->Click();
    EXPECT_EQ(Store().Bookmarks().at(0).note, "");
    EXPECT_EQ(list.List->topLevelItem(0)->text(1), "");
    Form1->dxButton7->Click();
    Form1->dxButton9->Click();
    EXPECT_EQ(Form1->MarkLabel->Caption(), "Bookmarked");
}

TEST_F(NotesTest, DeleteIsUndoneInTheDialogAndInTheListLastFirst) {
    StartOnHits();
    TypeNote("first");
    Form1->BookmarkButton->Click();
    Form1->dxButton9->Click();
    TypeNote("second");
    Form1->BookmarkButton->Click();

    // In the dialog: delete, undo, and the bookmark is back with its note and id.
    const study::Bookmark before = Store().Bookmarks().at(0);
    WhenNoteDialog([](NoteDialog& d) {
        d.DeleteButton->Click();
        EXPECT_EQ(Form1->MarkLabel->Caption(), "");
        EXPECT_EQ(d.DeleteButton->Caption(), "&Undo delete");
        d.DeleteButton->Click();
        d.CancelButton->Click();
    });
    Form1->BookmarkButton->Click();
    EXPECT_EQ(Store().Bookmarks().at(0), before);
    EXPECT_EQ(Form1->MarkLabel->Caption(), "Note: second");

    notes::BookmarksWindow& list = *notes::Bookmarks;
    list.Open();
    ASSERT_EQ(list.List->topLevelItemCount(), 2);  // newest first
    EXPECT_EQ(list.List->topLevelItem(0)->text(1), "second");
    list.FilterBox->SetText("FIR");
    ASSERT_EQ(list.List->topLevelItemCount(), 1);
    list.FilterBox->SetText("");  // the bookmark the filter left stays current
    list.DeleteButton->Click();
    list.DeleteButton->Click();
    EXPECT_EQ(list.List->topLevelItemCount(), 0);
    EXPECT_EQ(Form1->MarkLabel->Caption(), "");
    list.UndoButton->Click();
    ASSERT_EQ(list.List->topLevelItemCount(), 1);
    EXPECT_EQ(list.List->topLevelItem(0)->text(1), "second");
    list.UndoButton->Click();
    EXPECT_EQ(list.List->topLevelItemCount(), 2);
    EXPECT_FALSE(list.UndoButton->Enabled());
    EXPECT_EQ(Form1->MarkLabel->Caption(), "Note: second");
}

TEST_F(NotesTest, TheVerseToTextWindowBookmarksItsSentenceAndShowsTheMark) {
    StartOnHits();
    uGlobal::VerseRefList = "T4/";
    t::WhenShown(*FB_Veloria, [] {
        TypeNote("from a verse");
        FB_Veloria->BookmarkButton->Click();
        EXPECT_EQ(FB_Veloria->MarkLabel->Caption(), "Note: from a verse");
        FB_Veloria->Close();
    });
    FB_Veloria->ShowModal();
    Form1->dxButton9->Click();
    EXPECT_EQ(Form1->MarkLabel->Caption(), "Note: from a verse");
}

TEST_F(NotesTest, BookmarksGoToAFileAndBackAndABadFileIsRefusedChangingNothing) {
    StartOnHits();
    TypeNote(kNote);
    Form1->BookmarkButton->Click();
    const std::filesystem::path file = std::filesystem::current_path() / "saved.csv";
    widgets::SetFileChooser([&](const widgets::FileQuestion&) { return file; });
    notes::BookmarksWindow& list = *notes::Bookmarks;
    list.Open();
    list.ExportButton->Click();
    const auto read = study::ParseBookmarkFile(study::ReadWholeFile(file));
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].note, kNote);

    list.DeleteButton->Click();
    list.ImportButton->Click();
    EXPECT_EQ(Store().Bookmarks().at(0).note, kNote);

    std::ofstream(file, std::ios::binary) << "Reference,Sentence\r\nT-1.2,Second sentence.\r\n";
    t::DialogCapture dialogs;
    list.DeleteButton->Click();
    list.ImportButton->Click();
    ASSERT_EQ(dialogs.Messages().size(), 1u);
    EXPECT_NE(dialogs.Messages()[0].find("saved.csv"), std::string::npos);
    EXPECT_EQ(list.Message->Caption(), "Nothing was imported.");
    EXPECT_TRUE(Store().Bookmarks().empty());
    widgets::SetFileChooser({});
}

}  // namespace
}  // namespace veloria::test
