// The list of sentences citing the Bible as a user drives it: the sentence shown with the counter
// and bar, the row kept between showings, the passages it opens and what comes back after them,
// Copy and Escape.
#include "tests/bible/BibleFixture.h"

namespace veloria::test {
namespace {

class CitingListTest : public BibleTest {
  protected:
    TFCurBi& L() { return *FCurBi; }
    int Row() { return L().T_Biblia.RecNo(); }
    std::string Counter() { return L().Label1->Caption(); }
    // Goes to row n by the keyboard, from the first row.
    void GoTo(int n) {
        wt::Click(*L().dxButton4);
        for (int i = 1; i < n; ++i)
            wt::KeyClick(L(), Qt::Key_Down);
        ASSERT_EQ(Row(), n);
    }
    // What the passage viewer was given and showed.
    struct Viewed {
        std::string list;
        std::vector<std::string> listed;
        std::string text;
        bool operator==(const Viewed&) const = default;
    };
    // Presses "&Bible" on the current row and closes the viewer it opens.
    Viewed Bible() {
        Viewed seen;
        wt::WhenModal(*FBiblia, [&] {
            seen.list = uGlobal::BibleRefList;
            for (int r = 1; r <= FBiblia->TBiblia.RowCount(); ++r)
                seen.listed.push_back(FBiblia->TBiblia.CellAsString(r, 0));
            seen.text = FBiblia->Memo1->Text();
            wt::KeyClick(*FBiblia, Qt::Key_Escape);
        });
        wt::Click(*L().dxButton3);
        return seen;
    }
    std::vector<bool> Enabled() {
        std::vector<bool> enabled;
        for (widgets::TdxButton* b : {L().dxButton1, L().dxButton2, L().dxButton3, L().dxButton4,
                                      L().dxButton5, L().dxButton6, L().dxButton7})
            enabled.push_back(b->Enabled());
        return enabled;
    }
    using Strings = std::vector<std::string>;
};

TEST_F(CitingListTest, OpensOnTheFirstRowAndReopensOnTheRowLeft) {
    Open(L(), [&] {
        EXPECT_EQ(Row(), 1);
        EXPECT_EQ(Counter(), "1");
        EXPECT_EQ(L().Label2->Caption(), "/ 1121 References");
        EXPECT_EQ(L().Memo1->Text(), "First sentence of the text.");
        EXPECT_EQ(Focused(L()), "DBGrid1");
        GoTo(40);
        EXPECT_EQ(Counter(), "40");
        EXPECT_EQ(L().ScrollBar1->Position(), 40);
    });
    Open(L(), [&] {
        EXPECT_EQ(Row(), 40);
        EXPECT_EQ(Counter(), "40");
        EXPECT_EQ(L().ScrollBar1->Position(), 40);
        EXPECT_EQ(L().Memo1->Text(), "A psychotherapy sentence.");
    });
}

TEST_F(CitingListTest, TheLastRowStandsAtTheBarsEndAndTheButtonsStopAtBothEnds) {
    Open(L(), [&] {
        wt::Click(*L().dxButton7);
        EXPECT_EQ(Counter(), "1121");
        EXPECT_EQ(L().ScrollBar1->Position(), L().ScrollBar1->Max());
        EXPECT_EQ(L().ScrollBar1->Max(), 1121);
        EXPECT_EQ(Focused(L()), "DBGrid1");
        wt::Click(*L().dxButton6);
        EXPECT_EQ(Counter(), "1121");
        wt::Click(*L().dxButton5);
        EXPECT_EQ(Counter(), "1120");
        wt::Click(*L().dxButton4);
        wt::Click(*L().dxButton5);
        EXPECT_EQ(Counter(), "1");
        EXPECT_EQ(L().ScrollBar1->Position(), 1);
    });
}

TEST_F(CitingListTest, AThumbDraggedAndLetGoLeavesTheRowTheBarNames) {
    Open(L(), [&] {
        auto& bar = *L().ScrollBar1;
        DragThumb(bar, 200);
        const int k = bar.Position();
        EXPECT_GT(k, 300);
        EXPECT_EQ(Row(), k);
        EXPECT_EQ(Counter(), std::to_string(k));
        EXPECT_EQ(Focused(L()), "ScrollBar1");
        wt::KeyClick(L(), Qt::Key_Up);
        EXPECT_EQ(Row(), k - 1);
        EXPECT_EQ(Counter(), std::to_string(k - 1));
    });
}

TEST_F(CitingListTest, ARowWhoseSentenceIsMissingKeepsTheSentenceShown) {
    Open(L(), [&] {
        GoTo(3);  // no book code
        EXPECT_EQ(Counter(), "3");
        EXPECT_EQ(L().Memo1->Text(), "Second sentence,\r\non two lines.");
        wt::KeyClick(L(), Qt::Key_Down);  // no such sentence
        EXPECT_EQ(Counter(), "4");
        EXPECT_EQ(L().Memo1->Text(), "Second sentence,\r\non two lines.");
        wt::KeyClick(L(), Qt::Key_Down);
        EXPECT_EQ(L().Memo1->Text(), "A song sentence.");
    });
}

TEST_F(CitingListTest, BibleHandsOnTheTrimmedPassageKeysOfTheRowsOwnSentence) {
    const std::string john = "In the beginning was the Word.";
    const std::string psalm = "Yet have I set my king.\r\nUpon my hill.";
    Open(L(), [&] {
        EXPECT_EQ(Bible(), (Viewed{"1/2/", {"John 1:1", "Psalm 2:6"}, john}));
        GoTo(5);
        EXPECT_EQ(Bible(), (Viewed{"2/1/", {"Psalm 2:6", "John 1:1"}, psalm}));
        GoTo(8);
        EXPECT_EQ(Bible(), (Viewed{"2/", {"Psalm 2:6"}, psalm}));
        // A field of blanks cites nothing; each press replaces the list.
        GoTo(2);
        EXPECT_EQ(Bible(), (Viewed{"/", {}, ""}));
    });
}

TEST_F(CitingListTest, ARowOfNoSentenceOpensThePassagesOnAnEmptyList) {
    Open(L(), [&] {
        Bible();  // the first row's passages, left in the viewer
        GoTo(3);  // no book code
        EXPECT_EQ(Bible(), (Viewed{"/", {}, ""}));
        Bible();
        wt::KeyClick(L(), Qt::Key_Down);  // no such sentence
        EXPECT_EQ(Bible(), (Viewed{"/", {}, ""}));
    });
}

TEST_F(CitingListTest, WhileThePassagesAreOpenTheButtonsAreOffAndComeBackAfter) {
    int activations = 0;
    const auto activate = L().OnActivate;
    L().OnActivate = [&] {
        ++activations;
        activate();
    };
    std::vector<bool> during;
    wt::WhenModal(*FBiblia, [&] {
        during = Enabled();
        wt::KeyClick(*FBiblia, Qt::Key_Escape);
    });
    Open(L(), [&] {
        GoTo(6);
        wt::Click(*L().dxButton3);
        EXPECT_EQ(during, std::vector<bool>(7, false));
        EXPECT_EQ(Enabled(), std::vector<bool>(7, true));
        EXPECT_EQ(Focused(L()), "DBGrid1");
        EXPECT_EQ(Counter(), "6");
        EXPECT_EQ(L().Memo1->Text(), "A workbook lesson.");
        EXPECT_EQ(activations, 1);
        // By its access key.
        wt::WhenModal(*FBiblia, [&] {
            during = Enabled();
            wt::KeyClick(*FBiblia, Qt::Key_Escape);
        });
        wt::KeyClick(L(), Qt::Key_B, Qt::AltModifier);
        EXPECT_EQ(during, std::vector<bool>(7, false));
        EXPECT_EQ(Enabled(), std::vector<bool>(7, true));
        EXPECT_EQ(activations, 1);
    });
}

TEST_F(CitingListTest, CopyPutsTheSentenceWithItsTrimmedReferenceOrTheSelection) {
    Open(L(), [&] {
        widgets::Clipboard().Clear();
        wt::Click(*L().dxButton2);
        EXPECT_EQ(widgets::Clipboard().AsText(), "First sentence of the text. (T-1.1:1)");
        EXPECT_EQ(Focused(L()), "DBGrid1");
        wt::Click(*L().Memo1);
        L().Memo1->SetSelStart(0);
        L().Memo1->SetSelLength(5);
        wt::KeyClick(L(), Qt::Key_C, Qt::AltModifier);
        EXPECT_EQ(widgets::Clipboard().AsText(), "First");
        // A row of no sentence copies nothing.
        GoTo(3);
        wt::Click(*L().dxButton2);
        EXPECT_EQ(widgets::Clipboard().AsText(), "First");
    });
}

TEST_F(CitingListTest, EscapeClosesAndTheLayoutIsAsDesigned) {
    EXPECT_TRUE(Open(L(), [&] {
        for (const char* name :
             {"ScrollBar1", "dxButton1", "dxButton2", "dxButton3", "dxButton4", "dxButton5",
              "dxButton6", "dxButton7", "Memo1", "ReadButton", "DBGrid1"}) {
            wt::KeyClick(L(), Qt::Key_Tab);
            EXPECT_EQ(Focused(L()), name);
        }
        wt::KeyClick(L(), Qt::Key_Escape);
    }));
    EXPECT_EQ(L().Caption(), "Veloria to Bible");
    EXPECT_EQ(L().ClientWidth(), 740);
    EXPECT_EQ(L().ClientHeight(), 446);
    EXPECT_EQ(L().dxButton3->Hint(), "References to Bible");
    EXPECT_EQ(L().DBGrid1->FixedColor(), widgets::clScrollBar);
    EXPECT_EQ(L().DBGrid1->Font(), (widgets::TFont{"Arial", 15}));
    EXPECT_EQ(L().Memo1->Font(), (widgets::TFont{"Arial", 16}));
    EXPECT_EQ(L().Label1->Font(), (widgets::TFont{"Arial", 15}));
    for (const widgets::TdxButton* b : {L().dxButton1, L().dxButton2, L().dxButton3})
        EXPECT_EQ(b->Font(), (widgets::TFont{"Arial", 13})) << b->Name();
    EXPECT_EQ(L().ScrollBar1->Min(), 1);
    EXPECT_EQ(L().ScrollBar1->Max(), 1121);
    EXPECT_EQ(ReaderName(*L().ScrollBar1), "Sentences citing the Bible");
    EXPECT_EQ(ReaderName(*L().Memo1), "Sentence");
    EXPECT_EQ(L().Label1->Left() + L().Label1->Width(), 412);
    EXPECT_EQ(L().Label2->Left(), 417);
}

}  // namespace
}  // namespace veloria::test
