// The grid bound to a table handle: current row both ways, key handlers around the grid's own
// move, held keys, clicks, columns and fixed cells.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>

#include "tests/store/TempDir.h"
#include "tests/widgets/Fixtures.h"
#include "widgets/DBGrid.h"
#include "widgets/DataLink.h"
#include "widgets/Dispatch.h"
#include "widgets/ScrollBar.h"

namespace veloria::widgets::test {
namespace {

using Events = std::vector<std::string>;

class GridTest : public WidgetTest {
  protected:
    void SetUp() override {
        std::vector<std::vector<std::string>> rows;
        for (int i = 1; i <= 40; ++i) {
            rows.push_back({"T-" + std::to_string(i), std::to_string(i),
                            "Sentence number " + std::to_string(i), "T"});
        }
        store::testing::WriteTable(dir.path(), "Texto_B.DB", rows);
        table = std::make_unique<store::Table>("Texto_B.DB", "", dir.path());
        form = std::make_unique<LoggedForm>("main", log);
        form->SetClientSize(600, 300);
        grid = form->Add<TDBGrid>("DBGrid1", 10, 10, 500, 200, 0, *table);
        grid->SetFont(TFont{"Times New Roman", 15});
        grid->SetColumns({{"Referencia", "      Reference", 130, TFont{"Arial", 13}},
                          {"Pensamiento", "                           Sentence"}});
        button = form->Add<TdxButton>("next", 520, 10, 60, 24, 1);
        button->OnClick = [this] {
            table->Next();
            grid->Repaint();
            grid->SetFocus();
        };
        grid->OnKeyDown = [this](WORD& key, TShiftState) {
            log("down " + std::to_string(key) + " at " + std::to_string(table->RecNo()));
        };
        grid->OnKeyUp = [this](WORD& key, TShiftState) {
            log("up " + std::to_string(key) + " at " + std::to_string(table->RecNo()));
        };
        grid->OnCellClick = [this] { log("click at " + std::to_string(table->RecNo())); };
        grid->OnEnter = [this] { log("enter at " + std::to_string(table->RecNo())); };
    }

    store::testing::TempDir dir;
    std::unique_ptr<store::Table> table;
    std::unique_ptr<LoggedForm> form;
    TDBGrid* grid = nullptr;
    TdxButton* button = nullptr;
};

TEST_F(GridTest, ShowsTheTableWithTitlesWidthsAndTheCurrentRow) {
    form->Show();
    EXPECT_EQ(grid->model()->rowCount(), 40);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString().toStdString(),
              "      Reference");
    EXPECT_EQ(grid->columnWidth(0), 130);
    // The last column without a width fills the rest of the grid.
    EXPECT_GE(grid->columnWidth(0) + grid->columnWidth(1), grid->viewport()->width() - 1);
    EXPECT_EQ(grid->CurrentRecNo(), 1);
    EXPECT_EQ(grid->model()->index(2, 1).data().toString().toStdString(), "Sentence number 3");
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(0, QModelIndex()));
    EXPECT_EQ(grid->verticalHeader()->width(), 11);
}

TEST_F(GridTest, KeyDownRunsBeforeTheMoveAndKeyUpAfterIt) {
    form->Show();
    log.Clear();
    testing::KeyClick(*form, Qt::Key_Down);
    testing::KeyClick(*form, Qt::Key_Down);
    testing::KeyClick(*form, Qt::Key_Up);
    EXPECT_EQ(log.events, (Events{"down 40 at 1", "up 40 at 2", "down 40 at 2", "up 40 at 3",
                                  "down 38 at 3", "up 38 at 2"}));
    EXPECT_EQ(grid->CurrentRecNo(), 2);
}

TEST_F(GridTest, AHeldKeyGivesOneKeyUpWhenLetGo) {
    form->Show();
    log.Clear();
    testing::HoldKey(*form, Qt::Key_Down, 4);
    EXPECT_EQ(log.events, (Events{"down 40 at 1", "down 40 at 2", "down 40 at 3", "down 40 at 4",
                                  "down 40 at 5", "up 40 at 6"}));
    EXPECT_EQ(table->RecNo(), 6);
}

TEST_F(GridTest, NavigationKeysMoveTheTableCursor) {
    form->Show();
    testing::KeyClick(*form, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(table->RecNo(), 40);
    testing::KeyClick(*form, Qt::Key_Down);
    EXPECT_EQ(table->RecNo(), 40);
    testing::KeyClick(*form, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(table->RecNo(), 1);
    testing::KeyClick(*form, Qt::Key_PageDown);
    EXPECT_EQ(table->RecNo(), 1 + grid->VisibleRowCount());
    testing::KeyClick(*form, Qt::Key_PageUp);
    EXPECT_EQ(table->RecNo(), 1);
    testing::KeyClick(*form, Qt::Key_End);
    EXPECT_EQ(table->RecNo(), 40);
    EXPECT_EQ(grid->CurrentRecNo(), 40);
}

TEST_F(GridTest, AGridAndItsLaidOverBarShareTheClientAreaAndShowWholeRows) {
    auto* bar = form->Add<TScrollBar>("ScrollBar1", 400, 30, 18, 100, 2, sbVertical);
    grid->LayOverBar(bar);
    form->Show();
    const int fw = grid->frameWidth();
    const QRect client(grid->Left() + fw, grid->Top() + fw, grid->Width() - 2 * fw,
                       grid->Height() - 2 * fw);
    // The bar takes the client area's right strip, top to bottom.
    EXPECT_EQ(QRect(bar->Left(), bar->Top(), bar->Width(), bar->Height()),
              QRect(client.right() + 1 - 18, client.top(), 18, client.height()));
    // Titles and cells end where it begins.
    const QRect cells(grid->viewport()->mapTo(form.get(), QPoint(0, 0)), grid->viewport()->size());
    const QRect titles(grid->horizontalHeader()->mapTo(form.get(), QPoint(0, 0)),
                       grid->horizontalHeader()->size());
    EXPECT_EQ(cells.right(), bar->Left() - 1);
    EXPECT_EQ(titles.right(), bar->Left() - 1);
    EXPECT_EQ(titles.bottom() + 1, cells.top());
    EXPECT_EQ(grid->horizontalHeader()->length(), grid->viewport()->width());
    // Whole rows, at the top after the last row is reached as well as before.
    const int row = grid->rowHeight(0);
    EXPECT_EQ(grid->viewport()->height() % row, 0) << grid->viewport()->height() << " " << row;
    testing::KeyClick(*form, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->rowViewportPosition(39) + row, grid->viewport()->height());
    EXPECT_EQ(grid->rowViewportPosition(grid->rowAt(0)), 0);
}

TEST_F(GridTest, TabMovesBetweenColumnsWithinTheGrid) {
    form->Show();
    log.Clear();
    testing::KeyClick(*form, Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedIndex(), 1);
    EXPECT_TRUE(grid->Focused());
    testing::KeyClick(*form, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(grid->SelectedIndex(), 0);
    EXPECT_EQ(table->RecNo(), 1);
    // Shift+Tab: the Shift key goes down and up around the Tab, as a keyboard sends it.
    EXPECT_EQ(log.events, (Events{"down 9 at 1", "up 9 at 1", "down 16 at 1", "down 9 at 1",
                                  "up 9 at 1", "up 16 at 1"}));
}

TEST_F(GridTest, CtrlTabLeavesTheGridThatKeepsTab) {
    form->Show();
    testing::KeyClick(*form, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(button->Focused());
    testing::KeyClick(*form, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(grid->Focused());
    EXPECT_EQ(grid->SelectedIndex(), 0);
    // A reader is told so.
    EXPECT_NE(QAccessible::queryAccessibleInterface(grid)
                  ->text(QAccessible::Description)
                  .indexOf(QStringLiteral("Ctrl+Tab")),
              -1);
}

TEST_F(GridTest, AReaderIsOnTheCurrentRowAndHearsItWhole) {
    form->Show();
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(grid);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->role(), QAccessible::Table);
    EXPECT_EQ(view->text(QAccessible::Name).toStdString(), "Reference, Sentence");
    auto current = [&] { return view->focusChild(); };
    ASSERT_NE(current(), nullptr);
    EXPECT_EQ(current()->text(QAccessible::Name).toStdString(), "T-1");
    EXPECT_EQ(current()->text(QAccessible::Description).toStdString(),
              "Sentence: Sentence number 1");
    QAccessibleTableCellInterface* cell = current()->tableCellInterface();
    ASSERT_NE(cell, nullptr);
    ASSERT_EQ(cell->columnHeaderCells().size(), 1);
    EXPECT_EQ(cell->columnHeaderCells()[0]->text(QAccessible::Name).toStdString(), "Reference");

    testing::KeyClick(*form, Qt::Key_Down);
    EXPECT_EQ(current()->text(QAccessible::Name).toStdString(), "T-2");
    testing::KeyClick(*form, Qt::Key_Tab);
    EXPECT_EQ(current()->text(QAccessible::Name).toStdString(), "Sentence number 2");
    EXPECT_EQ(current()->text(QAccessible::Description).toStdString(), "Reference: T-2");
    // Moved by the window (a navigation button), the grid is on the new row when it has the
    // focus back.
    testing::Click(*button);
    EXPECT_EQ(current()->tableCellInterface()->rowIndex(), 2);
}

TEST_F(GridTest, ACellClickRunsAfterTheRowChanged) {
    form->Show();
    button->SetFocus();
    log.Clear();
    const QRect cell = grid->CellRect(4, 1);
    ASSERT_FALSE(cell.isEmpty());
    testing::Click(*grid, cell.center());
    // The focus arrives first (the old row), then the click (the new one).
    EXPECT_EQ(log.events, (Events{"next.exit", "enter at 1", "click at 4"}));
    EXPECT_EQ(grid->CurrentRecNo(), 4);
    EXPECT_EQ(grid->SelectedIndex(), 1);
}

TEST_F(GridTest, FollowsTheTableWhenTheWindowMovesIt) {
    form->Show();
    log.Clear();
    testing::Click(*button);
    // The button took the focus; giving it back to the grid shows the new row.
    EXPECT_EQ(log.events, (Events{"DBGrid1.exit", "next.enter", "next.exit", "enter at 2"}));
    EXPECT_EQ(grid->CurrentRecNo(), 2);
    // Any handler that moves the table is followed once it has run, without Repaint.
    button->OnClick = [this] { table->Last(); };
    testing::Click(*button);
    EXPECT_EQ(grid->CurrentRecNo(), 40);
    // A row written through another handle appears.
    store::Table writer("Texto_B.DB", "", dir.path());
    writer.Append();
    writer.SetField("Referencia", "T-41");
    writer.SetField("Numero", "41");
    writer.SetField("Pensamiento", "Sentence number 41");
    writer.SetField("Libro", "T");
    writer.Post();
    table->Refresh();
    grid->Repaint();
    EXPECT_EQ(grid->model()->rowCount(), 41);
    // An emptied table shows no current row.
    writer.EmptyTable();
    grid->Repaint();
    EXPECT_EQ(grid->model()->rowCount(), 0);
    EXPECT_EQ(grid->CurrentRecNo(), 0);
}

TEST_F(GridTest, AColumnOfAnUnknownFieldIsRefused) {
    EXPECT_THROW(grid->SetColumns({{"Referencia"}, {"NoSuchField"}}), WidgetError);
    EXPECT_EQ(grid->Columns().size(), 2u);
    EXPECT_EQ(grid->Columns()[1].FieldName, "Pensamiento");
}

TEST_F(GridTest, TheFixedColourPaintsTitlesAndIndicator) {
    form->Show();
    grid->SetFixedColor(RGB(166, 202, 240));
    EXPECT_EQ(grid->FixedColor(), RGB(166, 202, 240));
    const QImage shot = grid->grab().toImage();
    const QPoint title = grid->horizontalHeader()->geometry().topLeft() + QPoint(60, 4);
    EXPECT_EQ(QColor(shot.pixel(title)), QColor(166, 202, 240));
    const QPoint indicatorTop = grid->verticalHeader()->geometry().topLeft() + QPoint(1, 30);
    EXPECT_EQ(QColor(shot.pixel(indicatorTop)), QColor(166, 202, 240));
    // The marker of the current row is drawn in the indicator of row 1.
    const QRect marker(grid->verticalHeader()->geometry().topLeft(),
                       QSize(11, grid->verticalHeader()->sectionSize(0)));
    bool dark = false;
    for (int y = marker.top(); y <= marker.bottom(); ++y) {
        for (int x = marker.left(); x <= marker.right(); ++x) {
            if (qGray(shot.pixel(x, y)) < 40)
                dark = true;
        }
    }
    EXPECT_TRUE(dark);
}

// A bound control that fails to follow its table says so in the error box, once for as long as it
// fails the same way, and the other bound controls go on following theirs.
TEST_F(GridTest, AControlThatFailsToFollowItsTableIsReportedAndTheOthersFollowOn) {
    struct Link : DataLink {
        std::string failure;
        int synced = 0;
        void SyncFromData() override {
            if (!failure.empty())
                throw std::runtime_error(failure);
            ++synced;
        }
    } broken;
    testing::DialogCapture boxes;
    form->Show();
    table->First();
    const auto handler = [] { Dispatch(std::function<void()>([] {})); };

    broken.failure = "Texto_B.DB: damaged table file";
    table->Next();
    handler();
    EXPECT_EQ(boxes.Errors(), Events{"Texto_B.DB: damaged table file."});
    EXPECT_EQ(grid->currentIndex().row(), 1);
    table->Next();
    handler();
    handler();
    EXPECT_EQ(grid->currentIndex().row(), 2) << "the grid stopped following its table";
    EXPECT_EQ(boxes.Errors().size(), 1u);

    broken.failure.clear();
    handler();
    EXPECT_GT(broken.synced, 0);
    broken.failure = "Texto_B.DB: read or write error";
    handler();
    broken.failure = "";
    EXPECT_EQ(boxes.Errors().size(), 2u);
}

// A handler that grows a table's log leaves its writing into the file for after the handler,
// when the window has had its turn.
TEST_F(GridTest, TheLogThatAHandlerGrewIsWrittenAfterTheHandler) {
    form->Show();
    store::RunIdleWork();
    bool dueAfterWrite = false;
    const std::string text(1000, 'x');
    Dispatch(std::function<void()>([&] {
        store::Table::Batch batch(*table);
        for (int i = 0; i < 5000; ++i) {
            table->Append();
            table->SetField("Pensamiento", text);
            table->Post();
        }
        batch.Commit();
        dueAfterWrite = store::IdleWorkDue();
    }));
    EXPECT_TRUE(dueAfterWrite);
    EXPECT_TRUE(store::IdleWorkDue()) << "written while the handler's caller waited";
    EXPECT_TRUE(testing::WaitFor([] { return !store::IdleWorkDue(); }));
    EXPECT_GT(std::filesystem::file_size(dir.path() / "Texto_B.DB"), 4u << 20);
}

}  // namespace
}  // namespace veloria::widgets::test
