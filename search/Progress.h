#pragma once

namespace veloria::search {

// The progress window as the search drives it. A search that passes its guard calls, in this
// order: Show, Repaint, SetProgress(0), AddProgress(1) any number of times, Close. Close is also
// called when the search fails part-way, so the window never stays on screen.
class Progress {
  public:
    virtual ~Progress() = default;
    // Shows the window, not modally.
    virtual void Show() = 0;
    // Paints the whole window at once: the search processes no window messages while it runs.
    virtual void Repaint() = 0;
    // Sets the gauge, kept within its range; it repaints only when its percentage changes.
    virtual void SetProgress(int value) = 0;
    // Raises the gauge by delta, kept within its range.
    virtual void AddProgress(int delta) = 0;
    // Hides the window. Called on failure too, while an exception is in flight.
    virtual void Close() = 0;
};

// A progress that shows nothing, for callers without a window.
class NoProgress final : public Progress {
  public:
    void Show() override {}
    void Repaint() override {}
    void SetProgress(int) override {}
    void AddProgress(int) override {}
    void Close() override {}
};

}  // namespace veloria::search
