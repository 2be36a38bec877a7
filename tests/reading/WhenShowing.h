#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

// For a window the program makes and shows in one command (a dialog of its own, not one of the
// windows made at start): the action runs on it once it shows, from inside its modal loop.
namespace veloria::test {

template <class Window>
void WhenShowing(std::function<void(Window&)> action) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* window = dynamic_cast<Window*>(w); window && window->isVisible()) {
                timer->stop();
                timer->deleteLater();
                action(*window);
                return;
            }
        }
    });
    timer->start();
}

}  // namespace veloria::test
