// The sentences citing one verse as a user sees them: the rows gathered from the list the verse
// list hands over, the sentence shown with its reference and volume, the counter and the bar,
// Copy, and the lists no window fills (empty, naming no sentence, failing to be written).
#include "tests/bible/BibleFixture.h"

namespace veloria::test {
namespace {

class CitingTest : public BibleTest {
  protected:
    TFB_Veloria& C() { return *FB_Veloria; }
    // Opens the window on a list, as the verse list does, and runs the steps in it.
    void Show(
        const std::string& list, const std::function<void()>& steps = [] {}) {
        uGlobal::VerseRefList = list;
        Open(C(), steps);
    }
    // The rows as "Libro Numero | Referencia | Pagina | Pensamiento", read from the file.
    std::vector<std::string> Stored() {
        std::vector<std::string> rows;
        for (const auto& r : Query("Texto2B.DB",
                                   "SELECT Libro, Numero, Referencia, Pagina, Pensamiento "
                                   "FROM Texto2B ORDER BY rowid")) {
            rows.push_back(r[0] + r[1] + " | " + r[2] + " | " + r[3] + " | " + r[4]);
        }
        return rows;
    }
    // The upper labels and the counter: "reference | volume | row number | count".
    std::string Labels() {
        return C().Label3->Caption() + " | " + C().Label4->Caption() + " | " +
               C().Label1->Caption() + " |" + C().Label2->Caption();
    }
    using Strings = std::vector<std::string>;
};

TEST_F(CitingTest, EachClosedEntryGivesARowWithItsSentenceReferenceAndPage) {
    Show("T1/E1/T12345/", [&] {
        EXPECT_EQ(C().Memo1->Text(), "First sentence of the text.");
        EXPECT_EQ(Labels(), "T-1.1:1 | Text | 1 | / 3 References");
        EXPECT_EQ(C().ScrollBar1->Min(), 1);
        EXPECT_EQ(C().ScrollBar1->Max(), 3);
        EXPECT_EQ(C().ScrollBar1->Position(), 1);
        EXPECT_EQ(Focused(C()), "DBGrid1");
    });
    EXPECT_EQ(Stored(), (Strings{"T1 |   T-1.1:1   | 1 | First sentence of the text.",
                                 "E1 | W-1 | 7 | A workbook lesson.",
                                 "T12345 | T-9.9:9 | 99 | A sentence of a long number."}));
}

TEST_F(CitingTest, TextAfterTheLastSlashAndEmptySegmentsGiveNoRowALongNumberIsCut) {
    Show("T3//E1", [&] { EXPECT_EQ(Labels(), "T-1.2:1 | Text | 1 | / 1 References"); });
    EXPECT_EQ(Stored(), Strings{"T3 | T-1.2:1 | 2 | Third sentence."});
    Show("T1234567/", [&] {
        EXPECT_EQ(C().Memo1->Text(), "A sentence of a long number.");
        EXPECT_EQ(Labels(), "T-9.9:9 | Text | 1 | / 1 References");
    });
    EXPECT_EQ(Query("Texto2B.DB", "SELECT Numero FROM Texto2B"), Rows{{"12345"}});
}

TEST_F(CitingTest, EveryVolumeIsNamedAsSoonAsTheWindowOpensOnIt) {
    Show("S1/", [&] {
        EXPECT_EQ(C().Memo1->Text(), "A song sentence.");
        EXPECT_EQ(Labels(), "S-1 | The Song Of Prayer | 1 | / 1 References");
    });
    Show("P1/M1/M2/E1/", [&] {
        EXPECT_EQ(Labels(), "P-1 | Psychotherapy | 1 | / 4 References");
        wt::Click(*C().dxButton5);
        EXPECT_EQ(Labels(), "M-1.1 | Manual for Teachers | 2 | / 4 References");
        // Told apart by the reference's first letter, not by any heading.
        wt::Click(*C().dxButton5);
        EXPECT_EQ(Labels(), "C-1.1 | Clarification Of Terms | 3 | / 4 References");
        EXPECT_EQ(C().Memo1->Text(), "A clarification sentence.");
        wt::Click(*C().dxButton5);
        EXPECT_EQ(Labels(), "W-1 | Workbook | 4 | / 4 References");
    });
}

TEST_F(CitingTest, ButtonsKeysClicksAndTheBarMoveTheRowAndTheCounterFollows) {
    std::string list;
    for (int i = 0; i < 20; ++i)
        list += i % 2 ? "E1/" : "T3/";
    Show(list, [&] {
        wt::Click(*C().dxButton6);
        EXPECT_EQ(C().Label1->Caption(), "20");
        EXPECT_EQ(C().ScrollBar1->Position(), 20);
        EXPECT_EQ(C().Memo1->Text(), "A workbook lesson.");
        EXPECT_EQ(Focused(C()), "DBGrid1");
        wt::Click(*C().dxButton4);
        EXPECT_EQ(C().Label1->Caption(), "19");
        EXPECT_EQ(C().Memo1->Text(), "Third sentence.");
        wt::Click(*C().dxButton3);
        wt::Click(*C().dxButton4);  // "<-" on the first row
        EXPECT_EQ(C().Label1->Caption(), "1");
        wt::KeyPress(C(), Qt::Key_Down);
        EXPECT_EQ(C().Memo1->Text(), "Third sentence.") << "a key shows its row when let go";
        wt::KeyRelease(C(), Qt::Key_Down);
        EXPECT_EQ(C().Memo1->Text(), "A workbook lesson.");
        EXPECT_EQ(C().Label1->Caption(), "2");
        wt::Click(*C().DBGrid1, C().DBGrid1->CellRect(5, 2).center());
        EXPECT_EQ(C().Label1->Caption(), "5");
        EXPECT_EQ(C().ScrollBar1->Position(), 5);

        auto& bar = *C().ScrollBar1;
        DragThumb(bar, 60);
        const int k = bar.Position();
        EXPECT_GT(k, 5);
        EXPECT_EQ(C().Tab_Texto_B.RecNo(), k);
        EXPECT_EQ(C().Label1->Caption(), std::to_string(k));
        EXPECT_EQ(C().Memo1->Text(), k % 2 ? "Third sentence." : "A workbook lesson.");
    });
}

TEST_F(CitingTest, CopyPutsTheSentenceWithItsTrimmedReferenceOrTheSelection) {
    Show("T2/T1/", [&] {
        widgets::Clipboard().Clear();
        wt::Click(*C().dxButton1);
        EXPECT_EQ(widgets::Clipboard().AsText(), "Second sentence,\r\non two lines. (T-1.1:2)");
        EXPECT_EQ(Focused(C()), "DBGrid1");
        wt::Click(*C().dxButton5);
        wt::KeyClick(C(), Qt::Key_C, Qt::AltModifier);
        EXPECT_EQ(widgets::Clipboard().AsText(), "First sentence of the text. (T-1.1:1)");
        wt::Click(*C().Memo1);
        C().Memo1->SetSelStart(6);
        C().Memo1->SetSelLength(8);
        wt::Click(*C().dxButton1);
        EXPECT_EQ(widgets::Clipboard().AsText(), "sentence");
    });
}

TEST_F(CitingTest, ASecondVerseLeavesNoneOfTheFirstVersesRows) {
    Show("T1/T3/E1/M1/");
    Show("S1/P1/", [&] {
        EXPECT_EQ(C().Tab_Texto_B.RowCount(), 2);
        EXPECT_EQ(C().DBGrid1->CurrentRecNo(), 1);
        EXPECT_TRUE(C().DBGrid1->CellRect(3, 0).isEmpty());
        EXPECT_EQ(C().ScrollBar1->Max(), 2);
    });
    EXPECT_EQ(Stored(), (Strings{"S1 | S-1 |  | A song sentence.",
                                 "P1 | P-1 |  | A psychotherapy sentence."}));
}

TEST_F(CitingTest, AnEntryNamingNoSentenceKeepsItsRowWithNothingOfAnotherSentence) {
    Show("T1/T999/X5/", [&] {
        wt::Click(*C().dxButton6);
        // The row is there and counted; what is shown above stays as it was.
        EXPECT_EQ(C().Label1->Caption(), "3");
        EXPECT_EQ(C().Memo1->Text(), "First sentence of the text.");
        // Copy has no sentence of its own to copy.
        widgets::Clipboard().SetAsText("before");
        wt::Click(*C().dxButton1);
        EXPECT_EQ(widgets::Clipboard().AsText(), "before");
    });
    EXPECT_EQ(Stored(), (Strings{"T1 |   T-1.1:1   | 1 | First sentence of the text.",
                                 "T999 |  |  | ", "X5 |  |  | "}));
    // Nor does the first row of a later showing show the last verse's sentence.
    Show("T999/T1/", [&] {
        EXPECT_EQ(C().Memo1->Text(), "");
        EXPECT_EQ(Labels(), " |  | 1 | / 2 References");
    });
}

TEST_F(CitingTest, AnEmptyListShowsNoRowsAndStaysUsable) {
    Show("T1/");
    for (const std::string list : {"", "T1", "/"}) {
        uGlobal::VerseRefList = list;
        EXPECT_TRUE(Open(C(), [&] {
            EXPECT_EQ(C().Tab_Texto_B.RowCount(), 0);
            EXPECT_EQ(Labels(), " |  | 0 | / 0 References");
            EXPECT_EQ(C().Memo1->Text(), "");
            EXPECT_EQ(C().ScrollBar1->Min(), 1);
            EXPECT_EQ(C().ScrollBar1->Max(), 1);
            EXPECT_FALSE(C().ScrollBar1->Enabled());
            wt::Click(*C().dxButton6);
            wt::KeyClick(C(), Qt::Key_Down);
            wt::Click(*C().dxButton1);
            EXPECT_EQ(C().Label1->Caption(), "0");
            wt::KeyClick(C(), Qt::Key_Escape);
        })) << list;
    }
    // The bar comes back with the rows.
    Show("T1/E1/", [&] { EXPECT_TRUE(C().ScrollBar1->Enabled()); });
    EXPECT_TRUE(boxes_.Dialogs().empty());
}

TEST_F(CitingTest, AListThatCannotBeWrittenLeavesTheLastOneAndSaysWhy) {
    Show("T1/E1/");
    FailInserts("Texto2B.DB", "Texto2B");
    Show("S1/P1/M1/", [&] {
        ASSERT_EQ(boxes_.Errors().size(), 1u);
        EXPECT_NE(boxes_.Errors()[0].find("Texto2B.DB"), std::string::npos) << boxes_.Errors()[0];
        EXPECT_NE(boxes_.Errors()[0].find("no space left on the device"), std::string::npos);
        EXPECT_EQ(C().Tab_Texto_B.RowCount(), 2);
        wt::Click(*C().dxButton6);
        EXPECT_EQ(C().Memo1->Text(), "A workbook lesson.");
        EXPECT_EQ(boxes_.Errors().size(), 1u);
    });
    EXPECT_EQ(Stored(), (Strings{"T1 |   T-1.1:1   | 1 | First sentence of the text.",
                                 "E1 | W-1 | 7 | A workbook lesson."}));
}

TEST_F(CitingTest, LayoutAndTabOrder) {
    EXPECT_EQ(C().Caption(), "References to Veloria");
    EXPECT_EQ(C().ClientWidth(), 635);
    EXPECT_EQ(C().ClientHeight(), 407);
    EXPECT_EQ(C().DBGrid1->Columns().at(0).Title, "     Reference");
    EXPECT_EQ(C().DBGrid1->Columns().at(1).Title, " Page");
    EXPECT_EQ(C().DBGrid1->Columns().at(2).Title, std::string(41, ' ') + "Sentence");
    EXPECT_EQ(C().DBGrid1->Columns().at(2).TitleFont, (widgets::TFont{"MS Sans Serif", 13}));
    EXPECT_EQ(C().DBGrid1->Font(), (widgets::TFont{"Times New Roman", 15}));
    const widgets::TFont bold{"MS Sans Serif", 13, {widgets::fsBold}};
    EXPECT_EQ(C().Label1->Font(), bold);
    EXPECT_EQ(C().Label2->Font(), bold);
    EXPECT_EQ(C().Label3->Font(), (widgets::TFont{"Times New Roman", 15, {widgets::fsBold}}));
    EXPECT_EQ(C().Memo1->Font(), (widgets::TFont{"Arial", 16}));
    EXPECT_EQ(C().dxButton1->Font(), (widgets::TFont{"Arial", 13}));
    Show("T1/", [&] {
        EXPECT_EQ(C().DBGrid1->FixedColor(), widgets::RGB(166, 202, 240));
        for (const char* name :
             {"Memo1", "ScrollBar1", "dxButton1", "dxButton2", "dxButton3", "dxButton4",
              "dxButton5", "dxButton6", "ReadButton", "BookmarkButton", "DBGrid1"}) {
            wt::KeyClick(C(), Qt::Key_Tab);
            EXPECT_EQ(Focused(C()), name);
        }
        // The number ends where " / 1 References" begins.
        EXPECT_EQ(C().Label1->Left() + C().Label1->Width(), 39);
        EXPECT_EQ(C().Label2->Left(), 37);
    });
}

}  // namespace
}  // namespace veloria::test
