// The browse piece on a window made here: which display steps each trigger runs, in which order
// around the grid's own moves and the focus, and where each leaves the scroll bar.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <memory>
#include <string>
#include <vector>

#include "tests/store/TempDir.h"
#include "tests/widgets/Fixtures.h"
#include "widgets/Browser.h"

namespace veloria::widgets::test {
namespace {

using Events = std::vector<std::string>;
using enum BrowseTrigger;

// A browse window with a grid over 30 rows, a scroll bar over its edge, the four navigation
// buttons and a counter label. Its handlers log and hand on to the piece, as a window's do.
class BrowseWindow : public LoggedForm {
  public:
    BrowseWindow(EventLog& log, store::Table& table, BrowseOptions options, bool hasEnter)
        : LoggedForm("browse", log), log_(log), table_(table), browser(table, Complete(options)) {
        SetClientSize(420, 260);
        DBGrid1 = Add<TDBGrid>("DBGrid1", 10, 10, 300, 200, 0, table);
        DBGrid1->SetColumns({{"Referencia", "Reference", 80}, {"Pensamiento", "Sentence"}});
        ScrollBar1 = Add<TScrollBar>("ScrollBar1", 292, 12, 18, 196, 2, sbVertical);
        const char* names[] = {"first", "prior", "next", "last"};
        for (int i = 0; i < 4; ++i)
            buttons[i] = Add<TdxButton>(names[i], 320, 10 + 30 * i, 60, 24, 3 + i);
        Label1 = Add<TLabel>("Label1", 320, 140, 60, 17, -1);
        browser.Connect<BrowseWindow>(
            *this, {DBGrid1, ScrollBar1, {buttons[0], buttons[1], buttons[2], buttons[3]}},
            {.CellClick = &BrowseWindow::DBGrid1CellClick,
             .KeyDown = &BrowseWindow::DBGrid1KeyDown,
             .KeyUp = &BrowseWindow::DBGrid1KeyUp,
             .Enter = hasEnter ? &BrowseWindow::DBGrid1Enter : nullptr,
             .Scroll = &BrowseWindow::ScrollBar1Scroll,
             .First = &BrowseWindow::dxButton1Click,
             .Prior = &BrowseWindow::dxButton2Click,
             .Next = &BrowseWindow::dxButton3Click,
             .Last = &BrowseWindow::dxButton4Click});
    }

    void DBGrid1CellClick() { browser.Show(CellClick); }
    void DBGrid1KeyDown() { browser.Show(KeyDown); }
    void DBGrid1KeyUp() { browser.Show(KeyUp); }
    void DBGrid1Enter() {
        log_("grid enter");
        browser.Show(GridEnter);
    }
    void ScrollBar1Scroll() { browser.Scroll(); }
    void dxButton1Click() { browser.First(); }
    void dxButton2Click() { browser.Prior(); }
    void dxButton3Click() { browser.Next(); }
    void dxButton4Click() { browser.Last(); }

    TDBGrid* DBGrid1 = nullptr;
    TScrollBar* ScrollBar1 = nullptr;
    TdxButton* buttons[4] = {};
    TLabel* Label1 = nullptr;

  private:
    // The display step and the counter log the row they find and where the bar stands then.
    BrowseOptions Complete(BrowseOptions options) {
        options.show = [this] {
            log_("show " + std::to_string(table_.RecNo()) + " bar " +
                 std::to_string(ScrollBar1->Position()));
        };
        options.counter = [this] { Label1->SetCaption(std::to_string(table_.RecNo())); };
        return options;
    }

    EventLog& log_;
    store::Table& table_;

  public:
    Browser browser;
};

// The main window's choices: every grid trigger sets the bar, the navigation shows through the
// grid's focus gain, a scroll gives the grid the focus.
BrowseOptions ThroughGridEnter() {
    BrowseOptions options;
    options.barFollows = {CellClick, KeyDown, KeyUp, GridEnter};
    options.navigation = NavigationDisplay::ThroughGridEnter;
    options.scrollFocusesGrid = true;
    options.range = BarRange::Counted();
    return options;
}

class BrowserTest : public WidgetTest {
  protected:
    void SetUp() override {
        std::vector<std::vector<std::string>> rows;
        for (int i = 1; i <= 30; ++i)
            rows.push_back(
                {"R" + std::to_string(i), std::to_string(i), "Row " + std::to_string(i), "T"});
        store::testing::WriteTable(dir.path(), "Texto_B.DB", rows);
        table = std::make_unique<store::Table>("Texto_B.DB", "", dir.path());
    }

    BrowseWindow& Make(BrowseOptions options, bool hasEnter = true) {
        window = std::make_unique<BrowseWindow>(log, *table, std::move(options), hasEnter);
        return *window;
    }
    // Shows the window with the grid focused and the log cleared.
    BrowseWindow& Shown(BrowseOptions options, bool hasEnter = true) {
        BrowseWindow& w = Make(std::move(options), hasEnter);
        w.Show();
        testing::ProcessEvents();
        if (!w.browser.Options().range.fixedMax)
            w.browser.SetRowCount(30);
        log.Clear();
        return w;
    }
    // The events of the display only.
    Events Shows() const {
        Events shows;
        for (const std::string& e : log.events) {
            if (e.rfind("show", 0) == 0 || e.rfind("grid", 0) == 0)
                shows.push_back(e);
        }
        return shows;
    }

    store::testing::TempDir dir;
    std::unique_ptr<store::Table> table;
    std::unique_ptr<BrowseWindow> window;
};

TEST_F(BrowserTest, KeysShowTheRowBeforeTheirMoveWhenDownAndAfterItWhenUp) {
    BrowseWindow& w = Shown(ThroughGridEnter());
    testing::KeyPress(w, Qt::Key_Down);
    EXPECT_EQ(Shows(), (Events{"show 1 bar 1"}));
    EXPECT_EQ(w.Label1->Caption(), "1");
    EXPECT_EQ(w.ScrollBar1->Position(), 1);
    testing::KeyRelease(w, Qt::Key_Down);
    EXPECT_EQ(Shows(), (Events{"show 1 bar 1", "show 2 bar 1"}));
    EXPECT_EQ(w.Label1->Caption(), "2");
    EXPECT_EQ(w.ScrollBar1->Position(), 2);
    // A held key trails by one row until it is let go.
    log.Clear();
    testing::HoldKey(w, Qt::Key_Down, 2);
    EXPECT_EQ(Shows(), (Events{"show 2 bar 2", "show 3 bar 2", "show 4 bar 3", "show 5 bar 4"}));
    EXPECT_EQ(w.ScrollBar1->Position(), 5);
}

TEST_F(BrowserTest, ACellClickShowsTheRowItMadeCurrent) {
    BrowseWindow& w = Shown(ThroughGridEnter());
    testing::Click(*w.DBGrid1, w.DBGrid1->CellRect(4, 1).center());
    EXPECT_EQ(Shows(), (Events{"show 4 bar 1"}));
    EXPECT_EQ(w.ScrollBar1->Position(), 4);
}

TEST_F(BrowserTest, OnlyTheTriggersNamedSetTheBarButEveryOneRunsTheCounter) {
    BrowseOptions options = ThroughGridEnter();
    options.barFollows = {KeyUp};
    BrowseWindow& w = Shown(options);
    testing::Click(*w.DBGrid1, w.DBGrid1->CellRect(6, 1).center());
    EXPECT_EQ(w.Label1->Caption(), "6");
    EXPECT_EQ(w.ScrollBar1->Position(), 1);
    testing::KeyPress(w, Qt::Key_Down);
    EXPECT_EQ(w.ScrollBar1->Position(), 1);
    testing::KeyRelease(w, Qt::Key_Down);
    EXPECT_EQ(w.Label1->Caption(), "7");
    EXPECT_EQ(w.ScrollBar1->Position(), 7);
    // The window's own triggers follow the same choice.
    table->Last();
    w.browser.Show(Seek);
    EXPECT_EQ(w.Label1->Caption(), "30");
    EXPECT_EQ(w.ScrollBar1->Position(), 7);
}

// The lower arrow: the report comes with the old position, then the gesture's closing report
// with the new one. A clicked bar had the focus, so giving it to the grid runs the grid's display.
TEST_F(BrowserTest, AScrollShowsTheRowTheBarNamesAndEndsOnIt) {
    BrowseWindow& w = Shown(ThroughGridEnter());
    auto& bar = *w.ScrollBar1;
    testing::Click(bar, QPoint(bar.Width() / 2, bar.Height() - 5));
    EXPECT_EQ(Shows(), (Events{"show 1 bar 1", "grid enter", "show 1 bar 1", "show 2 bar 2"}));
    EXPECT_EQ(table->RecNo(), 2);
    EXPECT_EQ(bar.Position(), 2);
    EXPECT_EQ(w.Label1->Caption(), "2");
    EXPECT_TRUE(w.DBGrid1->Focused());
}

TEST_F(BrowserTest, AScrollThatLeavesTheFocusSetsOnlyTheCounter) {
    BrowseOptions options = ThroughGridEnter();
    options.scrollFocusesGrid = false;
    options.range = BarRange::Fixed(40);  // more than the table holds
    BrowseWindow& w = Shown(options);
    auto& bar = *w.ScrollBar1;
    testing::Click(bar, QPoint(bar.Width() / 2, bar.Height() - 5));
    EXPECT_EQ(Shows(), (Events{"show 1 bar 1", "show 2 bar 2"}));
    EXPECT_TRUE(bar.Focused());
    // The end of the bar lies past the last row: the row stops there, the bar stays.
    log.Clear();
    testing::KeyClick(w, Qt::Key_End);
    EXPECT_EQ(Shows(), (Events{"show 2 bar 2", "show 30 bar 40"}));
    EXPECT_EQ(table->RecNo(), 30);
    EXPECT_EQ(w.Label1->Caption(), "30");
    EXPECT_EQ(bar.Position(), 40);
}

TEST_F(BrowserTest, NavigationShowsTheRowThroughTheGridsFocusGain) {
    BrowseWindow& w = Shown(ThroughGridEnter());
    testing::Click(*w.buttons[2]);
    EXPECT_EQ(log.events,
              (Events{"DBGrid1.exit", "next.enter", "next.exit", "grid enter", "show 2 bar 1"}));
    EXPECT_EQ(w.ScrollBar1->Position(), 2);
    EXPECT_EQ(w.DBGrid1->CurrentRecNo(), 2);
    testing::Click(*w.buttons[3]);
    EXPECT_EQ(w.ScrollBar1->Position(), 30);
    // Next on the last row shows it again.
    log.Clear();
    testing::Click(*w.buttons[2]);
    EXPECT_EQ(Shows(), (Events{"grid enter", "show 30 bar 30"}));
    testing::Click(*w.buttons[0]);
    EXPECT_EQ(w.Label1->Caption(), "1");
    EXPECT_EQ(w.ScrollBar1->Position(), 1);
}

// No focus moves when the grid holds it already: the piece runs the focus-gain handler itself.
TEST_F(BrowserTest, ANavigationWithoutAFocusMoveStillShowsTheRow) {
    BrowseWindow& w = Shown(ThroughGridEnter());
    ASSERT_TRUE(w.DBGrid1->Focused());
    w.buttons[3]->Click();
    EXPECT_EQ(log.events, (Events{"grid enter", "show 30 bar 1"}));
    EXPECT_EQ(w.ScrollBar1->Position(), 30);
    EXPECT_TRUE(w.DBGrid1->Focused());
}

TEST_F(BrowserTest, ANavigationCanShowBeforeOrAfterGivingTheGridTheFocus) {
    BrowseOptions options = ThroughGridEnter();
    options.barFollows = {Navigate};
    options.navigation = NavigationDisplay::ShowThenFocus;
    BrowseWindow& before = Shown(options, false);
    testing::Click(*before.buttons[2]);
    EXPECT_EQ(log.events, (Events{"DBGrid1.exit", "next.enter", "show 2 bar 1", "next.exit"}));
    EXPECT_EQ(before.ScrollBar1->Position(), 2);
    EXPECT_TRUE(before.DBGrid1->Focused());

    options.navigation = NavigationDisplay::FocusThenShow;
    options.barFollows = {};
    table->First();
    BrowseWindow& after = Shown(options, false);
    testing::Click(*after.buttons[3]);
    EXPECT_EQ(log.events, (Events{"DBGrid1.exit", "last.enter", "last.exit", "show 30 bar 1"}));
    EXPECT_EQ(after.ScrollBar1->Position(), 1);
}

// Thirty rows overflow the grid, yet only the bar laid over its edge shows.
TEST_F(BrowserTest, TheBarTakesThePlaceOfTheGridsOwn) {
    BrowseWindow& w = Shown(ThroughGridEnter());
    EXPECT_FALSE(w.DBGrid1->verticalScrollBar()->isVisible());
    EXPECT_TRUE(w.ScrollBar1->isVisible());
}

TEST_F(BrowserTest, AFixedRangeCoversItsRowsOnly) {
    BrowseOptions options = ThroughGridEnter();
    options.range = BarRange::Fixed(10);
    BrowseWindow& w = Make(options);
    EXPECT_EQ(w.ScrollBar1->Min(), 1);
    EXPECT_EQ(w.ScrollBar1->Max(), 10);
    EXPECT_THROW(w.browser.SetRowCount(30), std::logic_error);
    w.Show();
    testing::Click(*w.buttons[3]);
    EXPECT_EQ(table->RecNo(), 30);
    EXPECT_EQ(w.Label1->Caption(), "30");
    EXPECT_EQ(w.ScrollBar1->Position(), 10);
}

TEST_F(BrowserTest, ACountedRangeIsOneToTheRowsOrOneToOne) {
    BrowseWindow& w = Make(ThroughGridEnter());
    w.ScrollBar1->SetParams(5, 1, 100);
    w.browser.SetRowCount(0);
    EXPECT_EQ(w.ScrollBar1->Max(), 1);
    EXPECT_EQ(w.ScrollBar1->Position(), 1);
    w.browser.SetRowCount(12);
    EXPECT_EQ(w.ScrollBar1->Min(), 1);
    EXPECT_EQ(w.ScrollBar1->Max(), 12);
    EXPECT_EQ(w.ScrollBar1->Position(), 1);
}

TEST_F(BrowserTest, TheRowAtAShowingIsKeptOrTheFirst) {
    BrowseOptions options = ThroughGridEnter();
    table->MoveTo(12);
    Make(options).browser.StartShowing();
    EXPECT_EQ(table->RecNo(), 12);
    options.rowAtShowing = RowAtShowing::First;
    Make(options).browser.StartShowing();
    EXPECT_EQ(table->RecNo(), 1);
}

TEST_F(BrowserTest, AWindowMustHaveTheHandlersItsChoicesNeed) {
    // Navigation through the focus gain of a grid whose window does not handle it would show
    // nothing.
    EXPECT_THROW(Make(ThroughGridEnter(), false), std::logic_error);
    BrowseOptions options = ThroughGridEnter();
    EXPECT_THROW(Browser(*table, options), std::logic_error) << "no display step";
}

TEST_F(BrowserTest, TheNavigationButtonsStandSideBySideInTabOrder) {
    LoggedForm form("buttons", log);
    auto* first = form.Add<TdxButton>("before", 10, 10, 60, 24, 0);
    const auto buttons =
        MakeNavigationButtons(&form, {"b1", "b2", "b3", "b4"}, 100, 200, first->TabOrder() + 1);
    const std::vector<std::string> captions = {"I<-", "<-", "->", "->I"};
    const std::vector<std::string> hints = {"First", "Previous", "Next", "Last"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(buttons[i]->Name(), "b" + std::to_string(i + 1));
        EXPECT_EQ(buttons[i]->Caption(), captions[i]);
        EXPECT_EQ(buttons[i]->Hint(), hints[i]);
        EXPECT_EQ(
            QRect(buttons[i]->Left(), buttons[i]->Top(), buttons[i]->Width(), buttons[i]->Height()),
            QRect(100 + 32 * int(i), 200, 30, 22));
    }
    form.Show();
    testing::ProcessEvents();
    first->SetFocus();
    for (std::size_t i = 0; i < 4; ++i) {
        testing::KeyClick(form, Qt::Key_Tab);
        EXPECT_EQ(form.ActiveControl(), buttons[i]);
    }
}

}  // namespace
}  // namespace veloria::widgets::test
