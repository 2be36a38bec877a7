#pragma once

#include <QScrollBar>

#include "widgets/Control.h"

// The scroll bar with the platform's notifications. OnScroll runs for every scroll action before
// the bar stores the new position: inside the handler Position() still reads the old position,
// `pos` is the new one (the handler may change it); the bar stores `pos` after the handler. Every
// gesture (arrow or page click, held or not; a thumb drag, which reports scTrack while dragging
// and scPosition when let go; a key; a turn of the wheel) ends with one scEndScroll, which
// carries the final position, already stored.
namespace veloria::widgets {

class TScrollBar : public ControlHost<QScrollBar> {
  public:
    explicit TScrollBar(QWidget* parent, TScrollBarKind kind = sbHorizontal);

    void SetKind(TScrollBarKind kind);
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return value(); }
    // Clamped to the range; no notification.
    void SetPosition(int position);
    void SetParams(int position, int min, int max);
    void SetSmallChange(int change);
    void SetLargeChange(int change);
    // The thumb's share of the range; 0 for a thumb of fixed size.
    void SetPageSize(int size);

    std::function<void(TScrollCode code, int& pos)> OnScroll;
    // The position changed, by the user or the program.
    std::function<void()> OnChange;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void Action(int action);
    // A notification outside Qt's own actions: runs the handler, then stores the position.
    void Notify(TScrollCode code, int pos);
    void EndScroll();
    void ApplyRange();

    int min_ = 0;
    int max_ = 100;
    int pageSize_ = 0;
    bool gesture_ = false;
    int wheelRest_ = 0;
};

}  // namespace veloria::widgets
