// The Bible verse list as a user drives it: the verse shown with its counter and bar from every
// trigger, the list it hands on, the window it opens and what comes back when that closes.
#include "tests/bible/BibleFixture.h"

namespace veloria::test {
namespace {

class VerseListTest : public BibleTest {
  protected:
    TFBC& L() { return *FBC; }
    int Row() { return L().Biblia.RecNo(); }
    std::string Counter() { return L().Label1->Caption(); }
    int Bar() { return L().ScrollBar1->Position(); }
    // The enabled state of the labels and the seven buttons, in that order.
    std::vector<bool> Enabled() {
        std::vector<bool> enabled;
        for (widgets::TControl* c : std::initializer_list<widgets::TControl*>{
                 L().Label1, L().Label2, L().dxButton1, L().dxButton2, L().dxButton3, L().dxButton4,
                 L().dxButton5, L().dxButton6, L().dxButton7}) {
            enabled.push_back(c->Enabled());
        }
        return enabled;
    }
};

TEST_F(VerseListTest, OpensOnTheFirstVerseWithItsCounterAndReopensOnTheVerseLastViewed) {
    Open(L(), [&] {
        EXPECT_EQ(Row(), 1);
        EXPECT_EQ(L().RichEdit1->Text(), "In the beginning was the Word.");
        EXPECT_EQ(Counter(), "1");
        EXPECT_EQ(L().Label2->Caption(), "/ 404 References");
        EXPECT_EQ(Focused(L()), "DBGrid1");
        ASSERT_GE(L().DBGrid1->VisibleRowCount(), 12);
        wt::Click(*L().DBGrid1, L().DBGrid1->CellRect(12, 1).center());
        EXPECT_EQ(L().RichEdit1->Text(), "Text of verse 12.");
        EXPECT_EQ(Bar(), 12);
        EXPECT_EQ(Counter(), "12");
    });
    Open(L(), [&] {
        EXPECT_EQ(Row(), 12);
        EXPECT_EQ(L().RichEdit1->Text(), "Text of verse 12.");
        EXPECT_EQ(Counter(), "12");
        EXPECT_EQ(Bar(), 12);
    });
}

TEST_F(VerseListTest, TheButtonsShowTheVerseReachedThroughTheListsFocus) {
    Open(L(), [&] {
        wt::Click(*L().dxButton7);
        EXPECT_EQ(Row(), 404);
        EXPECT_EQ(L().RichEdit1->Text(), "Text of verse 404.");
        EXPECT_EQ(Counter(), "404");
        EXPECT_EQ(Bar(), 404);
        EXPECT_EQ(Focused(L()), "DBGrid1");
        wt::Click(*L().dxButton6);  // "->" on the last verse
        EXPECT_EQ(Counter(), "404");
        wt::Click(*L().dxButton5);
        EXPECT_EQ(L().RichEdit1->Text(), "Text of verse 403.");
        EXPECT_EQ(Bar(), 403);
        wt::Click(*L().dxButton4);
        EXPECT_EQ(Counter(), "1");
        EXPECT_EQ(Bar(), 1);
        // By their keys the grid keeps the focus, and still shows the verse.
        wt::KeyClick(L(), Qt::Key_Down);
        wt::KeyClick(L(), Qt::Key_Down);
        EXPECT_EQ(Counter(), "3");
        EXPECT_EQ(L().RichEdit1->Text(), "And now, O inhabitants.");
    });
}

TEST_F(VerseListTest, AThumbDraggedAndLetGoLeavesTheVerseTheBarNames) {
    Open(L(), [&] {
        auto& bar = *L().ScrollBar1;
        DragThumb(bar, 150);
        const int k = bar.Position();
        EXPECT_GT(k, 100);
        EXPECT_EQ(Row(), k);
        EXPECT_EQ(Counter(), std::to_string(k));
        EXPECT_EQ(L().RichEdit1->Text(), "Text of verse " + std::to_string(k) + ".");
        // The lower arrow: one verse on.
        wt::Click(bar, QPoint(bar.Width() / 2, bar.Height() - 5));
        EXPECT_EQ(Row(), k + 1);
        EXPECT_EQ(Counter(), std::to_string(k + 1));
        EXPECT_EQ(Focused(L()), "ScrollBar1");
    });
}

TEST_F(VerseListTest, HashesShowAsBlanksInPlainBlackText) {
    Open(L(), [&] {
        // The marks of an earlier text must not carry over.
        L().RichEdit1->SelectAll();
        L().RichEdit1->SelAttributes().SetStyle({widgets::fsBold, widgets::fsUnderline});
        L().RichEdit1->SelAttributes().SetColor(widgets::clRed);
        wt::Click(*L().dxButton6);
        EXPECT_EQ(L().RichEdit1->Text(), "Yet have I set my king.\r\nUpon my hill.");
        for (int at : {0, 10, 26}) {
            L().RichEdit1->SetSelStart(at);
            L().RichEdit1->SetSelLength(1);
            EXPECT_EQ(L().RichEdit1->SelAttributes().Style(), widgets::TFontStyles{}) << at;
            EXPECT_EQ(L().RichEdit1->SelAttributes().Color(), widgets::clBlack) << at;
        }
    });
}

TEST_F(VerseListTest, CopyPutsTheWholeVerseOrTheSelection) {
    Open(L(), [&] {
        wt::Click(*L().dxButton6);
        widgets::Clipboard().Clear();
        wt::Click(*L().dxButton2);
        EXPECT_EQ(widgets::Clipboard().AsText(), "Yet have I set my king.\r\nUpon my hill.");
        EXPECT_EQ(Focused(L()), "DBGrid1");
        wt::Click(*L().RichEdit1);
        L().RichEdit1->SetSelStart(15);
        L().RichEdit1->SetSelLength(7);
        wt::KeyClick(L(), Qt::Key_C, Qt::AltModifier);
        EXPECT_EQ(widgets::Clipboard().AsText(), "my king");
    });
}

TEST_F(VerseListTest, VeloriaHandsOnTheVersesEntriesWithoutTheirBlanks) {
    std::vector<std::string> handed;
    const auto references = [&] {
        wt::WhenModal(*FB_Veloria, [&] {
            handed.push_back(uGlobal::VerseRefList);
            wt::KeyClick(*FB_Veloria, Qt::Key_Escape);
        });
        wt::Click(*L().dxButton3);
    };
    Open(L(), [&] {
        references();
        wt::Click(*L().dxButton6);
        references();
        wt::Click(*L().dxButton6);
        wt::Click(*L().dxButton6);
        references();
    });
    EXPECT_EQ(handed, (std::vector<std::string>{"T1/T12345/", "T1/E1/M1/M2/S1/P1/", ""}));
}

TEST_F(VerseListTest, WhileTheCitingSentencesAreOpenTheListIsDisabledAndComesBackAfter) {
    int activations = 0;
    const auto activate = L().OnActivate;
    L().OnActivate = [&] {
        ++activations;
        activate();
    };
    std::vector<bool> during;
    std::string counterDuring;
    wt::WhenModal(*FB_Veloria, [&] {
        during = Enabled();
        counterDuring = FB_Veloria->Label2->Caption();
        wt::KeyClick(*FB_Veloria, Qt::Key_Escape);
    });
    Open(L(), [&] {
        wt::Click(*L().dxButton6);
        wt::Click(*L().dxButton3);
        EXPECT_EQ(during, std::vector<bool>(9, false));
        EXPECT_EQ(counterDuring, " / 6 References");
        EXPECT_EQ(Enabled(), std::vector<bool>(9, true));
        EXPECT_EQ(Focused(L()), "DBGrid1");
        EXPECT_EQ(Counter(), "2");
        EXPECT_EQ(activations, 1) << "closing the child does not activate the list again";
        // By its access key, with the grid keeping the focus.
        wt::WhenModal(*FB_Veloria, [&] { wt::KeyClick(*FB_Veloria, Qt::Key_Escape); });
        wt::KeyClick(L(), Qt::Key_V, Qt::AltModifier);
        EXPECT_EQ(Enabled(), std::vector<bool>(9, true));
        EXPECT_EQ(Focused(L()), "DBGrid1");
        EXPECT_EQ(activations, 1);
    });
}

TEST_F(VerseListTest, EscapeClosesAndTheLayoutIsAsDesigned) {
    EXPECT_TRUE(Open(L(), [&] {
        EXPECT_EQ(L().DBGrid1->FixedColor(), widgets::RGB(166, 202, 240));
        // The activation shows the verse alone: the bar and the counter are the list's focus's.
        L().ScrollBar1->SetPosition(7);
        L().Label1->SetCaption("x");
        L().FormActivate();
        EXPECT_EQ(L().ScrollBar1->Position(), 7);
        EXPECT_EQ(Counter(), "x");
        EXPECT_EQ(L().RichEdit1->Text(), "In the beginning was the Word.");
        wt::Click(*L().dxButton4);
        EXPECT_EQ(Counter(), "1");
        for (const char* name : {"RichEdit1", "ScrollBar1", "dxButton1", "dxButton2", "dxButton3",
                                 "dxButton4", "dxButton5", "dxButton6", "dxButton7", "DBGrid1"}) {
            wt::KeyClick(L(), Qt::Key_Tab);
            EXPECT_EQ(Focused(L()), name);
        }
        wt::KeyClick(L(), Qt::Key_Escape);
    }));
    EXPECT_EQ(L().Caption(), "Bible  -  New King James Version");
    EXPECT_EQ(L().ClientWidth(), 740);
    EXPECT_EQ(L().ClientHeight(), 446);
    EXPECT_EQ(L().ScrollBar1->Min(), 1);
    EXPECT_EQ(L().ScrollBar1->Max(), 404);
    EXPECT_EQ(L().dxButton3->Hint(), "References to Veloria ");
    EXPECT_EQ(L().DBGrid1->Columns().at(0).Title, "  ");
    EXPECT_EQ(L().DBGrid1->Columns().at(0).TitleAlignment, widgets::taCenter);
    EXPECT_EQ(L().DBGrid1->Font(), (widgets::TFont{"Arial", 15}));
    EXPECT_EQ(L().RichEdit1->Font(), (widgets::TFont{"Arial", 16}));
    EXPECT_EQ(L().Label2->Font(), (widgets::TFont{"Arial", 15}));
    // What a screen reader calls the list, the bar over it and the text.
    EXPECT_EQ(ReaderName(*L().DBGrid1), "Verses");
    EXPECT_EQ(ReaderName(*L().ScrollBar1), "Verses");
    EXPECT_EQ(ReaderName(*L().RichEdit1), "Verse text");
    // The counter's number ends where the fixed text begins.
    EXPECT_EQ(L().Label1->Left() + L().Label1->Width(), 439);
}

}  // namespace
}  // namespace veloria::test
