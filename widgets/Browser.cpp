#include "widgets/Browser.h"

#include <utility>

#include "widgets/WindowParts.h"

namespace veloria::widgets {

std::array<TdxButton*, 4> MakeNavigationButtons(QWidget* parent,
                                                const std::array<std::string_view, 4>& names,
                                                int left, int top, int tabOrder) {
    static constexpr ButtonFace kFaces[] = {
        {"I<-", "First"}, {"<-", "Previous"}, {"->", "Next"}, {"->I", "Last"}};
    std::array<TdxButton*, 4> buttons{};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i] = MakeFlatButton(
            parent, {names[i], left + 32 * int(i), top, 30, 22, tabOrder + int(i)}, kFaces[i]);
    }
    return buttons;
}

Browser::Browser(store::Table& table, BrowseOptions options)
    : table_(table), options_(std::move(options)) {
    if (!options_.show)
        throw std::logic_error("a browse piece needs its window's display step");
}

void Browser::Bind(const BrowseControls& controls, std::array<std::function<void()>, 9> handlers) {
    if (!controls.grid)
        throw std::logic_error("a browse piece needs its grid");
    auto& [cellClick, keyDown, keyUp, enter, scroll, first, prior, next, last] = handlers;
    if (options_.navigation == NavigationDisplay::ThroughGridEnter && !enter)
        throw std::logic_error(
            "the navigation shows its rows through the grid's focus gain, "
            "which the window does not handle");
    if (controls.bar && !scroll)
        throw std::logic_error("a scroll bar without its scroll handler");

    grid_ = controls.grid;
    bar_ = controls.bar;
    gridEnter_ = enter;
    grid_->OnCellClick = cellClick;
    if (keyDown)
        grid_->OnKeyDown = [handler = keyDown](WORD&, TShiftState) { handler(); };
    if (keyUp)
        grid_->OnKeyUp = [handler = keyUp](WORD&, TShiftState) { handler(); };
    grid_->OnEnter = enter;
    if (bar_) {
        grid_->LayOverBar(bar_);
        bar_->OnScroll = [handler = scroll](TScrollCode, int&) { handler(); };
        if (options_.range.fixedMax)
            bar_->SetParams(1, 1, *options_.range.fixedMax);
    }
    const std::array<std::function<void()>*, 4> clicks = {&first, &prior, &next, &last};
    for (std::size_t i = 0; i < controls.buttons.size(); ++i) {
        if (controls.buttons[i])
            controls.buttons[i]->OnClick = *clicks[i];
    }
}

void Browser::Show(BrowseTrigger trigger) {
    options_.show();
    if (options_.counter)
        options_.counter();
    if (bar_ && options_.barFollows.Contains(trigger))
        bar_->SetPosition(table_.RecNo());
}

void Browser::Scroll() {
    if (!bar_)
        throw std::logic_error("a scroll without a scroll bar");
    // The report comes before the bar stores its change: this is the position the user left, and
    // the gesture's closing report brings the row the bar finally names.
    table_.First();
    table_.MoveBy(bar_->Position() - 1);
    Show(BrowseTrigger::Scroll);
    if (options_.scrollFocusesGrid) {
        grid_->Repaint();
        grid_->SetFocus();
    }
}

void Browser::Navigate(void (store::Table::*move)()) {
    (table_.*move)();
    switch (options_.navigation) {
        case NavigationDisplay::ThroughGridEnter:
            grid_->Repaint();
            if (grid_->Focused()) {
                // No focus moves, so no focus gain would show the row: its handler runs here.
                gridEnter_();
            } else {
                // The button took the focus when it was pressed: the grid gains it back and its
                // focus-gain handler shows the row.
                grid_->SetFocus();
            }
            break;
        case NavigationDisplay::ShowThenFocus:
            Show(BrowseTrigger::Navigate);
            grid_->Repaint();
            grid_->SetFocus();
            break;
        case NavigationDisplay::FocusThenShow:
            grid_->Repaint();
            grid_->SetFocus();
            Show(BrowseTrigger::Navigate);
            break;
    }
}

void Browser::First() {
    Navigate(&store::Table::First);
}
void Browser::Prior() {
    Navigate(&store::Table::Prior);
}
void Browser::Next() {
    Navigate(&store::Table::Next);
}
void Browser::Last() {
    Navigate(&store::Table::Last);
}

void Browser::SetRowCount(int rows) {
    if (options_.range.fixedMax)
        throw std::logic_error("the scroll bar's range is fixed");
    if (bar_)
        bar_->SetParams(1, 1, rows > 0 ? rows : 1);
}

void Browser::StartShowing() {
    if (options_.rowAtShowing == RowAtShowing::First)
        table_.First();
}

}  // namespace veloria::widgets
