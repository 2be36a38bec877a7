#include "widgets/ScrollBar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>

namespace veloria::widgets {

TScrollBar::TScrollBar(QWidget* parent, TScrollBarKind kind) : ControlHost<QScrollBar>(parent) {
    setFocusPolicy(Qt::StrongFocus);
    SetTabStop(true);
    setTracking(true);
    SetKind(kind);
    setSingleStep(1);
    setPageStep(1);
    ApplyRange();
    setValue(min_);
    QObject::connect(this, &QAbstractSlider::actionTriggered, this, [this](int a) { Action(a); });
    QObject::connect(this, &QAbstractSlider::valueChanged, this, [this] { Dispatch(OnChange); });
}

void TScrollBar::SetKind(TScrollBarKind kind) {
    setOrientation(kind == sbVertical ? Qt::Vertical : Qt::Horizontal);
}

void TScrollBar::ApplyRange() {
    // With a page size, the thumb covers a page and the last position is one page from the end.
    const int last = pageSize_ > 0 ? std::max(min_, max_ - pageSize_ + 1) : max_;
    setRange(min_, last);
}

void TScrollBar::SetParams(int position, int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    ApplyRange();
    SetPosition(position);
}

void TScrollBar::SetPosition(int position) {
    setValue(std::clamp(position, minimum(), maximum()));
}

void TScrollBar::SetSmallChange(int change) {
    setSingleStep(std::max(1, change));
}

void TScrollBar::SetLargeChange(int change) {
    setPageStep(std::max(1, change));
}

void TScrollBar::SetPageSize(int size) {
    pageSize_ = std::max(0, size);
    ApplyRange();
    SetPosition(Position());
}

void TScrollBar::Action(int action) {
    TScrollCode code;
    switch (action) {
        case SliderSingleStepAdd:
            code = scLineDown;
            break;
        case SliderSingleStepSub:
            code = scLineUp;
            break;
        case SliderPageStepAdd:
            code = scPageDown;
            break;
        case SliderPageStepSub:
            code = scPageUp;
            break;
        case SliderToMinimum:
            code = scTop;
            break;
        case SliderToMaximum:
            code = scBottom;
            break;
        case SliderMove:
            code = scTrack;
            break;
        default:
            return;
    }
    gesture_ = true;
    // Qt holds the new position in sliderPosition() and stores it in value() after this
    // signal: exactly the platform's order.
    QPointer<QScrollBar> alive(this);
    int pos = sliderPosition();
    Dispatch(OnScroll, code, pos);
    if (!alive)
        return;
    // The handler may have set Position itself; the bar stores what the handler left in pos.
    setSliderPosition(std::clamp(pos, minimum(), maximum()));
}

void TScrollBar::Notify(TScrollCode code, int pos) {
    QPointer<QScrollBar> alive(this);
    pos = std::clamp(pos, minimum(), maximum());
    Dispatch(OnScroll, code, pos);
    if (alive)
        setValue(std::clamp(pos, minimum(), maximum()));
}

void TScrollBar::EndScroll() {
    gesture_ = false;
    Notify(scEndScroll, Position());
}

void TScrollBar::mousePressEvent(QMouseEvent* event) {
    gesture_ = false;
    QScrollBar::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        gesture_ = true;
}

void TScrollBar::mouseReleaseEvent(QMouseEvent* event) {
    const bool dragging = isSliderDown();
    QPointer<QScrollBar> alive(this);
    QScrollBar::mouseReleaseEvent(event);
    if (!alive || event->button() != Qt::LeftButton || !gesture_)
        return;
    if (dragging)
        Notify(scPosition, Position());
    if (alive)
        EndScroll();
}

void TScrollBar::keyPressEvent(QKeyEvent* event) {
    gesture_ = false;
    QPointer<QScrollBar> alive(this);
    QScrollBar::keyPressEvent(event);
    if (alive && gesture_)
        EndScroll();
}

void TScrollBar::wheelEvent(QWheelEvent* event) {
    event->accept();
    const QPoint d = event->angleDelta();
    wheelRest_ += std::abs(d.y()) >= std::abs(d.x()) ? d.y() : d.x();
    const int notches = wheelRest_ / 120;
    if (notches == 0)
        return;
    wheelRest_ -= notches * 120;
    // A turn up moves towards the minimum, one line at a time.
    const int lines = std::abs(notches) * QApplication::wheelScrollLines();
    QPointer<QScrollBar> alive(this);
    for (int i = 0; i < lines && alive; ++i) {
        if (notches > 0)
            Notify(scLineUp, Position() - singleStep());
        else
            Notify(scLineDown, Position() + singleStep());
    }
    if (alive)
        EndScroll();
}

}  // namespace veloria::widgets
