// The search history as a user meets it: offered under the search dialog's word box (Down), which
// the activation still clears, and listed by the main window's "Histor&y" to run a search again.
// The history is put in the store directly, as completed searches leave it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "history/History.h"
#include "history/HistoryWindow.h"
#include "tests/reading/ProgramFixture.h"
#include "tests/reading/WhenShowing.h"

namespace veloria::test {
namespace {

namespace t = widgets::testing;

study::SearchSpec SearchOf(std::string query, study::SearchMode mode, bool text, bool workbook) {
    study::SearchSpec s;
    s.query = std::move(query);
    s.mode = mode;
    s.volumes = {text, workbook, true, false, false};
    return s;
}

class HistoryTest : public ProgramTest {
  protected:
    HistoryTest() {
        Start();
        study::Study()->RecordSearch(
            SearchOf("SECOND", study::SearchMode::ExactPhrase, true, false), 1, 1000);
        study::Study()->RecordSearch(SearchOf("LESSON", study::SearchMode::AnyOrder, false, true),
                                     1, 2000);
    }
    // Keys to the menu that the word box shows, once it shows.
    static void InMenu(std::vector<Qt::Key> keys) {
        auto* timer = new QTimer;
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, [timer, keys] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                timer->stop();
                timer->deleteLater();
                for (Qt::Key k : keys)
                    QTest::keyClick(menu, k);
            }
        });
        timer->start();
    }
};

TEST_F(HistoryTest, DownInTheWordBoxOffersTheSearchesNewestFirstAndOkRunsTheOneChosen) {
    t::WhenModal(*FBuscar, [] {
        EXPECT_EQ(FBuscar->Edit1->Text(), "");   // still cleared at the activation
        InMenu({Qt::Key_Down, Qt::Key_Return});  // the older one: SECOND
        t::KeyClick(*FBuscar, Qt::Key_Down);
        EXPECT_EQ(FBuscar->Edit1->Text(), "SECOND");
        EXPECT_TRUE(FBuscar->ChFraseE->Checked());
        EXPECT_TRUE(FBuscar->ChPalabraEx->Checked());
        EXPECT_TRUE(FBuscar->ChTexto->Checked());
        EXPECT_FALSE(FBuscar->ChEjercicios->Checked());
        FBuscar->dxButton2->Click();
    });
    Form1->Boton1->Click();
    EXPECT_EQ(uGlobal::ResultCount, 1);
    EXPECT_EQ(Form1->Memo1->Text(), "Second sentence.");
    // Escape leaves the box as it was.
    t::WhenModal(*FBuscar, [] {
        InMenu({Qt::Key_Escape});
        t::KeyClick(*FBuscar, Qt::Key_Down);
        EXPECT_EQ(FBuscar->Edit1->Text(), "");
        FBuscar->Close();
    });
    Form1->Boton1->Click();
}

TEST_F(HistoryTest, TheListRunsTheChosenSearchAgainAndDeletesAndClears) {
    const auto inList = [](std::function<void(history::HistoryWindow&)> action) {
        WhenShowing<history::HistoryWindow>(std::move(action));
    };
    inList([](history::HistoryWindow& h) {
        ASSERT_EQ(h.List->topLevelItemCount(), 2);
        const QTreeWidgetItem& newest = *h.List->topLevelItem(0);
        EXPECT_EQ(newest.text(0), "LESSON");
        EXPECT_EQ(newest.text(2), "Workbook, Manual for Teachers");
        EXPECT_EQ(newest.text(3), "1 hit");
        t::KeyClick(h, Qt::Key_Return);
    });
    t::KeyClick(*Form1, Qt::Key_Y, Qt::AltModifier);
    EXPECT_EQ(uGlobal::ResultCount, 1);
    EXPECT_EQ(Form1->Memo1->Text(), "A workbook lesson.");

    inList([](history::HistoryWindow& h) {
        h.DeleteButton->Click();
        EXPECT_EQ(h.List->topLevelItemCount(), 1);
        h.ClearButton->Click();
        EXPECT_EQ(h.List->topLevelItemCount(), 0);
        EXPECT_FALSE(h.SearchButton->Enabled());
        h.Close();
    });
    Form1->HistoryButton->Click();
    EXPECT_TRUE(study::Study()->History().empty());
}

// A search of every volume is said in three words, which leave room for the rest of its line.
TEST(HistoryLine, ASearchOfEveryVolumeSaysSo) {
    study::HistoryEntry entry;
    entry.search = SearchOf("LOVE", study::SearchMode::AnyOrder, true, true);
    entry.search.volumes = {true, true, true, true, true};
    entry.hitCount = 12;
    EXPECT_EQ(history::DescribeParts(entry).volumes, "All five volumes");
    const std::string line = history::Describe(entry);
    EXPECT_EQ(line.rfind("LOVE - Any order - All five volumes - 12 hits - ", 0), 0u) << line;
}

}  // namespace
}  // namespace veloria::test
