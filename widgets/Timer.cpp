#include "widgets/Timer.h"

#include "widgets/Dispatch.h"

namespace veloria::widgets {

TTimer::TTimer(QObject* owner) : timer_(new QTimer(owner)) {
    QObject::connect(timer_, &QTimer::timeout, timer_, [this] { Dispatch(OnTimer); });
    Update();
}

TTimer::~TTimer() {
    delete timer_.data();
}

void TTimer::SetInterval(int ms) {
    interval_ = ms;
    Update();
}

void TTimer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    Update();
}

void TTimer::Update() {
    if (!timer_)
        return;
    if (enabled_ && interval_ > 0)
        timer_->start(interval_);
    else
        timer_->stop();
}

}  // namespace veloria::widgets
