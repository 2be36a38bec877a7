#include "widgets/Zoom.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>

#include "widgets/Dispatch.h"
#include "widgets/Form.h"

namespace veloria::widgets {
namespace {

constexpr std::array kLadder{80, 90, 100, 110, 125, 150, 175, 200, 250, 300};

int& Chosen() {
    static int percent = kZoomDefault;
    return percent;
}

std::function<void(int)>& Hook() {
    static std::function<void(int)> hook;
    return hook;
}

// The zoom keys reach no control: they mean the same in every window, whatever has the focus.
class ZoomKeys : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!watched->isWidgetType())
            return false;
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
            auto& key = static_cast<QKeyEvent&>(*event);
            const int step = StepOf(key);
            if (step == kNone)
                return false;
            if (event->type() == QEvent::ShortcutOverride) {
                key.accept();
                return true;
            }
            if (step == 0)
                SetZoomPercent(kZoomDefault);
            else
                SetZoomPercent(NextZoomStep(ZoomPercent(), step));
            return true;
        }
        if (event->type() == QEvent::Wheel) {
            auto& wheel = static_cast<QWheelEvent&>(*event);
            if (!(wheel.modifiers() & Qt::ControlModifier))
                return false;
            // Wheels that turn in small steps add up to whole notches.
            wheelRest_ += wheel.angleDelta().y();
            while (std::abs(wheelRest_) >= 120) {
                const int direction = wheelRest_ > 0 ? 1 : -1;
                wheelRest_ -= direction * 120;
                SetZoomPercent(NextZoomStep(ZoomPercent(), direction));
            }
            return true;
        }
        return false;
    }

  private:
    static constexpr int kNone = 2;

    static int StepOf(const QKeyEvent& key) {
        const auto mods = key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
        if (mods != Qt::ControlModifier)
            return kNone;
        switch (key.key()) {
            case Qt::Key_Plus:
            case Qt::Key_Equal:
                return 1;
            case Qt::Key_Minus:
            case Qt::Key_Underscore:
                return -1;
            case Qt::Key_0:
                return 0;
            default:
                return kNone;
        }
    }

    int wheelRest_ = 0;
};

}  // namespace

int ZoomPercent() {
    return Chosen();
}

void SetZoomPercent(int percent) {
    percent = std::clamp(percent, kZoomMin, kZoomMax);
    if (percent == Chosen())
        return;
    Chosen() = percent;
    // The forms showing now; the others take the zoom when they are shown next.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* form = dynamic_cast<TForm*>(w); form && form->isVisible())
            form->ApplyZoom();
    }
    if (Hook())
        Dispatch(Hook(), percent);
}

int NextZoomStep(int percent, int direction) {
    if (direction > 0) {
        for (int step : kLadder)
            if (step > percent)
                return step;
        return kZoomMax;
    }
    for (auto it = kLadder.rbegin(); it != kLadder.rend(); ++it)
        if (*it < percent)
            return *it;
    return kZoomMin;
}

void SetZoomChangedHook(std::function<void(int percent)> hook) {
    Hook() = std::move(hook);
}

int Scaled(int length, int percent) {
    if (percent == 100)
        return length;
    return int(std::lround(double(length) * percent / 100.0));
}

int Unscaled(int length, int percent) {
    if (percent == 100)
        return length;
    return int(std::lround(double(length) * 100.0 / percent));
}

QRect Scaled(const QRect& r, int percent) {
    if (percent == 100)
        return r;
    // Edges scaled, not sizes, so that controls laid edge to edge stay so.
    const int left = Scaled(r.left(), percent);
    const int top = Scaled(r.top(), percent);
    return QRect(left, top, Scaled(r.left() + r.width(), percent) - left,
                 Scaled(r.top() + r.height(), percent) - top);
}

int FittingZoom(QSize client, QSize frame, QSize area, int wanted, bool* fits) {
    int zoom = std::clamp(wanted, kZoomMin, kZoomMax);
    const auto fitsAt = [&](int z) {
        return Scaled(client.width(), z) + frame.width() <= area.width() &&
               Scaled(client.height(), z) + frame.height() <= area.height();
    };
    while (zoom > kZoomMin && !fitsAt(zoom))
        --zoom;
    if (fits)
        *fits = fitsAt(zoom);
    return zoom;
}

namespace detail {
void InstallZoomKeys() {
    static ZoomKeys* keys = nullptr;
    if (keys || !qApp)
        return;
    keys = new ZoomKeys(qApp);
    qApp->installEventFilter(keys);
}
}  // namespace detail

}  // namespace veloria::widgets
