// The Bible passage viewer as a user drives it: the list the opener hands over, the passage
// shown, the buttons and keys, Copy, Escape, and a rewrite of the list that fails.
#include "tests/bible/BibleFixture.h"

namespace veloria::test {
namespace {

class ViewerTest : public BibleTest {
  protected:
    TFBiblia& V() { return *FBiblia; }
    // Opens the viewer on a list, as the sentence windows do, and runs the steps in it.
    void Show(
        const std::string& list, const std::function<void()>& steps = [] {}) {
        uGlobal::BibleRefList = list;
        Open(V(), steps);
    }
    // The references the grid lists, read through its cells.
    std::vector<std::string> Listed() {
        std::vector<std::string> listed;
        for (int r = 1; r <= V().TBiblia.RowCount(); ++r)
            listed.push_back(V().TBiblia.CellAsString(r, 0));
        return listed;
    }
    using Strings = std::vector<std::string>;
};

TEST_F(ViewerTest, OneKeyOrSeveralListTheirPassagesInTheOrderGivenOnTheFirst) {
    Show("2/", [&] {
        EXPECT_EQ(Listed(), Strings{"Psalm 2:6"});
        EXPECT_EQ(V().Memo1->Text(), "Yet have I set my king.\r\nUpon my hill.");
        EXPECT_EQ(V().Memo1->Lines(), (Strings{"Yet have I set my king.", "Upon my hill."}));
        EXPECT_EQ(Focused(V()), "DBGrid1");
    });
    Show("3/1/2/", [&] {
        EXPECT_EQ(Listed(), (Strings{"Isaiah 5:3", "John 1:1", "Psalm 2:6"}));
        EXPECT_EQ(V().TBiblia.RecNo(), 1);
        EXPECT_EQ(V().DBGrid1->CurrentRecNo(), 1);
        EXPECT_EQ(V().Memo1->Text(), "And now, O inhabitants.");
    });
    // What the grid showed is what the file holds: the rows of the last list only.
    EXPECT_EQ(Query("TBiblia.db", "SELECT Referencia, Numero FROM TBiblia"),
              (Rows{{"Isaiah 5:3", "3"}, {"John 1:1", "1"}, {"Psalm 2:6", "2"}}));
}

TEST_F(ViewerTest, AnUnclosedLastKeyAnEmptySegmentAndAKeyOfNoPassageAddNoRow) {
    Show("1/2", [&] { EXPECT_EQ(Listed(), Strings{"John 1:1"}); });
    Show("2//1/", [&] { EXPECT_EQ(Listed(), (Strings{"Psalm 2:6", "John 1:1"})); });
    Show("//", [&] { EXPECT_EQ(Listed(), Strings{}); });
    Show("405/x/3/", [&] { EXPECT_EQ(Listed(), Strings{"Isaiah 5:3"}); });
    // Keys are read as the table's key converts them.
    Show(" 3 /", [&] {
        EXPECT_EQ(Listed(), Strings{"Isaiah 5:3"});
        EXPECT_EQ(V().Memo1->Text(), "And now, O inhabitants.");
    });
}

TEST_F(ViewerTest, AnEmptyListShowsNoPassageAtAll) {
    Show("1/");
    Show("/", [&] {
        EXPECT_EQ(Listed(), Strings{});
        EXPECT_EQ(V().Memo1->Text(), "") << "not the passage of the last showing";
        // Its buttons and keys do nothing harmful; Escape still closes.
        wt::Click(*V().dxButton6);
        wt::KeyClick(V(), Qt::Key_Down);
        wt::Click(*V().dxButton2);
        EXPECT_EQ(V().Memo1->Text(), "");
        wt::KeyClick(V(), Qt::Key_Escape);
    });
    EXPECT_FALSE(V().isVisible());
    EXPECT_TRUE(boxes_.Dialogs().empty());
}

TEST_F(ViewerTest, APassageSplitInTheMiddleOfAWordShowsItWhole) {
    Show("1/", [&] { EXPECT_EQ(V().Memo1->Text(), "In the beginning was the Word."); });
}

TEST_F(ViewerTest, ButtonsKeysAndClicksShowThePassageOfTheRowReached) {
    Show("1/2/3/", [&] {
        wt::Click(*V().dxButton4);  // "<-" on the first row
        EXPECT_EQ(V().TBiblia.RecNo(), 1);
        EXPECT_EQ(V().Memo1->Text(), "In the beginning was the Word.");
        EXPECT_EQ(Focused(V()), "DBGrid1");
        wt::Click(*V().dxButton5);
        EXPECT_EQ(V().TBiblia.RecNo(), 2);
        EXPECT_EQ(V().Memo1->Lines()[0], "Yet have I set my king.");
        wt::Click(*V().dxButton6);
        EXPECT_EQ(V().Memo1->Text(), "And now, O inhabitants.");
        wt::Click(*V().dxButton6);  // "->I" on the last row
        wt::Click(*V().dxButton5);
        EXPECT_EQ(V().TBiblia.RecNo(), 3);
        EXPECT_EQ(V().Memo1->Text(), "And now, O inhabitants.");
        wt::Click(*V().dxButton3);
        EXPECT_EQ(V().Memo1->Text(), "In the beginning was the Word.");
        // A held key: the text trails the list by a row until the key is let go.
        wt::HoldKey(V(), Qt::Key_Down, 1);
        EXPECT_EQ(V().TBiblia.RecNo(), 3);
        EXPECT_EQ(V().Memo1->Text(), "And now, O inhabitants.");
        wt::KeyPress(V(), Qt::Key_Up);
        EXPECT_EQ(V().TBiblia.RecNo(), 2);
        EXPECT_EQ(V().Memo1->Text(), "And now, O inhabitants.");
        wt::KeyRelease(V(), Qt::Key_Up);
        EXPECT_EQ(V().Memo1->Lines()[0], "Yet have I set my king.");
        wt::Click(*V().DBGrid1, V().DBGrid1->CellRect(1, 0).center());
        EXPECT_EQ(V().Memo1->Text(), "In the beginning was the Word.");
    });
}

TEST_F(ViewerTest, CopyPutsTheWholeTextOrTheSelectionAndGivesTheListTheFocus) {
    Show("2/", [&] {
        widgets::Clipboard().Clear();
        wt::Click(*V().dxButton2);
        EXPECT_EQ(widgets::Clipboard().AsText(), "Yet have I set my king.\r\nUpon my hill.");
        EXPECT_EQ(Focused(V()), "DBGrid1");
        wt::Click(*V().Memo1);
        V().Memo1->SetSelStart(4);
        V().Memo1->SetSelLength(4);
        wt::KeyClick(V(), Qt::Key_C, Qt::AltModifier);
        EXPECT_EQ(widgets::Clipboard().AsText(), "have");
        EXPECT_EQ(Focused(V()), "DBGrid1");
    });
}

TEST_F(ViewerTest, EscapeOrCloseEndTheShowing) {
    EXPECT_TRUE(Open(V(), [&] { wt::KeyClick(V(), Qt::Key_Escape); }));
    EXPECT_TRUE(Open(V(), [&] { wt::Click(*V().dxButton1); }));
    EXPECT_TRUE(Open(V(), [&] { wt::KeyClick(V(), Qt::Key_O, Qt::AltModifier); }));
}

TEST_F(ViewerTest, AListThatCannotBeWrittenLeavesTheLastOneAndSaysWhy) {
    Show("1/2/");
    FailInserts("TBiblia.db", "TBiblia");
    Show("3/1/", [&] {
        ASSERT_EQ(boxes_.Errors().size(), 1u);
        EXPECT_NE(boxes_.Errors()[0].find("TBiblia.db"), std::string::npos) << boxes_.Errors()[0];
        EXPECT_NE(boxes_.Errors()[0].find("no space left on the device"), std::string::npos);
        EXPECT_EQ(Listed(), (Strings{"John 1:1", "Psalm 2:6"}));
        // The failed row is not left pending, to be written by the next move.
        wt::Click(*V().dxButton6);
        wt::KeyClick(V(), Qt::Key_Up);
        EXPECT_EQ(boxes_.Errors().size(), 1u);
        EXPECT_EQ(V().Memo1->Text(), "In the beginning was the Word.");
    });
    EXPECT_EQ(Query("TBiblia.db", "SELECT Numero FROM TBiblia"), (Rows{{"1"}, {"2"}}));
}

TEST_F(ViewerTest, LayoutAndTabOrder) {
    EXPECT_EQ(V().Caption(), "Bible  -  New King James Version");
    EXPECT_EQ(V().ClientWidth(), 649);
    EXPECT_EQ(V().ClientHeight(), 443);
    EXPECT_EQ(V().DBGrid1->Columns().at(0).Title, "       PASSAGE");
    EXPECT_EQ(V().DBGrid1->Columns().at(0).TitleFont,
              (widgets::TFont{"Arial", 13, {widgets::fsBold}}));
    EXPECT_EQ(V().DBGrid1->Font(), (widgets::TFont{"Arial", 15}));
    EXPECT_EQ(V().Memo1->Font(), (widgets::TFont{"Arial", 16}));
    // The list has no bar of its own beside it.
    EXPECT_TRUE(V().findChildren<widgets::TScrollBar*>(Qt::FindDirectChildrenOnly).isEmpty());
    // One picture behind the four Bible windows.
    const QImage& background = V().Image1->Picture().Image();
    ASSERT_FALSE(background.isNull());
    for (const widgets::TImage* image : {FBC->Image1, FB_Veloria->Image1, FCurBi->Image1})
        EXPECT_TRUE(image->Picture().Image() == background);
    Show("1/2/", [&] {
        EXPECT_EQ(V().Color(), widgets::RGB(119, 187, 255));
        EXPECT_EQ(V().DBGrid1->FixedColor(), widgets::RGB(166, 202, 240));
        EXPECT_EQ(V().HintWindow().ArrowBackgroundColor(), widgets::RGB(166, 202, 240));
        for (const char* name : {"dxButton1", "dxButton2", "dxButton3", "dxButton4", "dxButton5",
                                 "dxButton6", "Memo1", "DBGrid1"}) {
            wt::KeyClick(V(), Qt::Key_Tab);
            EXPECT_EQ(Focused(V()), name);
        }
    });
}

}  // namespace
}  // namespace veloria::test
