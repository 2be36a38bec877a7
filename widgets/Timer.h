#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

// The timer: OnTimer every Interval milliseconds while Enabled. Ticks are handled only while a
// message loop runs.
namespace veloria::widgets {

class TTimer {
  public:
    explicit TTimer(QObject* owner);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    int Interval() const { return interval_; }
    void SetInterval(int ms);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);

    std::function<void()> OnTimer;

  private:
    void Update();

    QPointer<QTimer> timer_;  // a child of the owner, gone with it or with this timer
    int interval_ = 1000;
    bool enabled_ = true;
};

}  // namespace veloria::widgets
