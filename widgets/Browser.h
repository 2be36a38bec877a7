#pragma once

#include <array>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "store/Table.h"
#include "widgets/Buttons.h"
#include "widgets/DBGrid.h"
#include "widgets/ScrollBar.h"
#include "widgets/Types.h"

// The browse piece: a window's grid over a table handle, the display step that shows the current
// row, the triggers that run it, the four navigation buttons ("I<-", "<-", "->", "->I"), the
// scroll bar laid over the grid's edge, and the counter. A window owns one beside its controls,
// states its differences in BrowseOptions, and has a handler for every event (named control +
// event, e.g. DBGrid1KeyUp); Connect wires the controls' events to those handlers, and each
// handler hands on to the piece's step for its trigger. TBrowseForm (BrowseForm.h) is such a
// window with the grid's and the bar's handlers written once.
//
// The order of events the piece relies on, all of it given by the widget layer:
//
// - A grid reports a key going down before it moves for the key, and the key's release after it:
//   the KeyDown trigger shows the row that was current before the key, the KeyUp trigger the row
//   the key moved to. A held key repeats its KeyDown and gives one KeyUp when it is let go, so the
//   display trails the selection by one row until then. A cell click reports after the click made
//   its row current.
// - A scroll bar reports each scroll action before it stores the action's new position: inside
//   the handler Position() still reads the position the user left. Every gesture then ends with
//   an end-of-scroll report, which changes nothing and carries the final position; its run of the
//   scroll step lands on the row the bar names. While dragging, the display is one report behind.
// - A flat button takes the input focus on a mouse press (and Enter or Space reach it only while
//   it holds the focus). A navigation button that ends by giving the grid the focus is therefore a
//   focus gain of the grid, and the grid's focus-gain handler runs the display step; the piece
//   runs that handler itself in the one case where no focus moves (the grid held the focus, as
//   when the program clicks a button).
// - A scroll bar takes the focus when it is clicked. A window whose scroll step ends by giving the
//   grid the focus (scrollFocusesGrid) thereby runs the grid's focus-gain display too, inside the
//   bar's first report, and so sets the bar to the row's number before the bar stores its own.
// - When a modal window is shown, its first control gains the focus (a grid's focus-gain display)
//   before the window's activation handler runs; closing a modal child runs neither again in the
//   opener.
//
// The piece keeps no row of its own: the table handle's current row is the state, and the grid
// follows it after every handler.
namespace veloria::widgets {

// What made the display step run. The grid's four events, the scroll bar, the navigation buttons,
// and two that a window runs itself: a seek that moved the table (the glossary's lookup) and the
// activation.
enum class BrowseTrigger {
    CellClick,
    KeyDown,
    KeyUp,
    GridEnter,
    Scroll,
    Navigate,
    Seek,
    Activation
};
using BrowseTriggers = TSet<BrowseTrigger>;

// How a navigation button brings the row it moved to onto the display.
enum class NavigationDisplay {
    // Move, repaint the grid, give it the focus: the grid's focus-gain handler shows the row.
    ThroughGridEnter,
    // Move, show the row, repaint the grid, give it the focus (whose gain shows nothing).
    ShowThenFocus,
    // Move, repaint the grid, give it the focus (whose gain shows nothing), show the row.
    FocusThenShow,
};

// Where the current row stands when the window is shown again.
enum class RowAtShowing {
    Kept,   // where the user left it
    First,  // on the first row
};

// The scroll bar's range: fixed (1 to a number of the layout, whatever the table holds), or
// counted, set by the window from the number of rows it knows (SetRowCount).
struct BarRange {
    static BarRange Fixed(int max) { return BarRange{max}; }
    static BarRange Counted() { return BarRange{}; }
    std::optional<int> fixedMax;
};

struct BrowseOptions {
    // The window's display step for the current row (ShowCurrentSentence, ShowCurrentEntry...).
    std::function<void()> show;
    // Runs after every display step the piece runs: the window's counter. Empty: none.
    std::function<void()> counter;
    // The triggers after which the scroll bar is set to the row's number (with its clamping to
    // the range); after the others the bar keeps its position.
    BrowseTriggers barFollows;
    NavigationDisplay navigation = NavigationDisplay::ThroughGridEnter;
    // After a scroll, the grid is repainted and given the focus.
    bool scrollFocusesGrid = false;
    BarRange range = BarRange::Counted();
    RowAtShowing rowAtShowing = RowAtShowing::Kept;
};

// The window's handlers the piece connects to its controls' events; a null one is an event the
// window does not handle (the grid's focus gain of a window whose display does not run then).
template <class W>
struct BrowseHandlers {
    using Handler = void (W::*)();
    Handler CellClick = nullptr;
    Handler KeyDown = nullptr;
    Handler KeyUp = nullptr;
    Handler Enter = nullptr;
    Handler Scroll = nullptr;
    Handler First = nullptr;
    Handler Prior = nullptr;
    Handler Next = nullptr;
    Handler Last = nullptr;
};

// The controls of a browse window. A window without a scroll bar leaves it null.
struct BrowseControls {
    TDBGrid* grid = nullptr;
    TScrollBar* bar = nullptr;
    // "I<-", "<-", "->", "->I".
    std::array<TdxButton*, 4> buttons{};
};

// The four navigation buttons "I<-", "<-", "->" and "->I", with the hints "First", "Previous",
// "Next" and "Last": 30 by 22 pixels each, 32 apart from `left`, in consecutive tab order from
// `tabOrder`, named as given. Connect gives them their clicks.
std::array<TdxButton*, 4> MakeNavigationButtons(QWidget* parent,
                                                const std::array<std::string_view, 4>& names,
                                                int left, int top, int tabOrder);

class Browser {
  public:
    Browser(store::Table& table, BrowseOptions options);
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    // Wires the controls' events to the window's handlers and sets a fixed range. A scroll bar
    // takes the place of the grid's own vertical one. Throws
    // std::logic_error for a window whose navigation shows its rows through a focus-gain handler
    // it does not have, or whose scroll bar has no handler.
    template <class W>
    void Connect(W& window, const BrowseControls& controls, const BrowseHandlers<W>& handlers);

    // The display step for a trigger: show, counter, and the bar when the trigger sets it.
    void Show(BrowseTrigger trigger);
    // The scroll handler's step: the table to the row the bar names (the position the bar holds
    // when the report arrives), the display and the counter; the bar keeps its position.
    void Scroll();
    // The navigation buttons' steps: move, then bring the row to the display as the options say.
    // Prior on the first row and Next on the last leave the row, which is shown again.
    void First();
    void Prior();
    void Next();
    void Last();

    // A counted range: 1 to the number of rows, or 1 to 1 when there are none; the bar to 1.
    void SetRowCount(int rows);
    // Called by the window where its activation sets the row: with RowAtShowing::First the table
    // goes to its first row; with Kept the row stays where the user left it.
    void StartShowing();

    const BrowseOptions& Options() const { return options_; }

  private:
    void Bind(const BrowseControls& controls, std::array<std::function<void()>, 9> handlers);
    void Navigate(void (store::Table::*move)());

    store::Table& table_;
    BrowseOptions options_;
    TDBGrid* grid_ = nullptr;
    TScrollBar* bar_ = nullptr;
    std::function<void()> gridEnter_;  // the window's focus-gain handler, if it has one
};

template <class W>
void Browser::Connect(W& window, const BrowseControls& controls,
                      const BrowseHandlers<W>& handlers) {
    auto bound = [&window](void (W::*handler)()) -> std::function<void()> {
        if (!handler)
            return {};
        return [&window, handler] { (window.*handler)(); };
    };
    Bind(controls, {bound(handlers.CellClick), bound(handlers.KeyDown), bound(handlers.KeyUp),
                    bound(handlers.Enter), bound(handlers.Scroll), bound(handlers.First),
                    bound(handlers.Prior), bound(handlers.Next), bound(handlers.Last)});
}

}  // namespace veloria::widgets
