#include "widgets/Testing.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <cstdlib>

#include "widgets/QtText.h"

namespace veloria::widgets::testing {
namespace {

QWindow* WindowOf(TForm& form) {
    QWindow* window = form.windowHandle();
    if (!window)
        throw std::logic_error("the form " + form.Name() + " is not shown");
    return window;
}

QWindow* WindowOf(TControl& control) {
    TForm* form = control.Form();
    if (!form)
        throw std::logic_error("the control " + control.Name() + " has no form");
    return WindowOf(*form);
}

QPoint InWindow(TControl& control, QPoint at) {
    QWidget& w = control.Widget();
    if (at == QPoint(-1, -1))
        at = w.rect().center();
    return w.mapTo(w.window(), at);
}

}  // namespace

void UseOffscreenUnlessSet() {
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

void WhenModal(TForm& form, std::function<void()> action) {
    form.AfterShowing(std::move(action));
}

void WhenShown(TForm& form, std::function<void()> action) {
    form.AfterShowing(std::move(action));
}

void Activate(TForm& form) {
    detail::ActivateWindow(form);
    ProcessEvents();
}

void KeyClick(TForm& form, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(WindowOf(form), key, modifiers);
}

void KeyPress(TForm& form, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyPress(WindowOf(form), key, modifiers);
}

void KeyRelease(TForm& form, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyRelease(WindowOf(form), key, modifiers);
}

void HoldKey(TForm& form, Qt::Key key, int repeats) {
    QWindow* window = WindowOf(form);
    QTest::simulateEvent(window, true, key, Qt::NoModifier, QString(), false);
    for (int i = 0; i < repeats; ++i) {
        QTest::simulateEvent(window, false, key, Qt::NoModifier, QString(), true);
        QTest::simulateEvent(window, true, key, Qt::NoModifier, QString(), true);
    }
    QTest::simulateEvent(window, false, key, Qt::NoModifier, QString(), false);
}

void TypeText(TForm& form, std::string_view text) {
    QWindow* window = WindowOf(form);
    for (char c : text) {
        const QString s = ToQString(std::string_view(&c, 1));
        const QChar upper = s.at(0).toUpper();
        const auto code = upper.unicode() < 256 ? Qt::Key(upper.unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, window, code, s, Qt::NoModifier);
    }
}

void Click(TControl& control, QPoint at) {
    QTest::mouseClick(WindowOf(control), Qt::LeftButton, Qt::NoModifier, InWindow(control, at));
}

void DoubleClick(TControl& control, QPoint at) {
    QTest::mouseDClick(WindowOf(control), Qt::LeftButton, Qt::NoModifier, InWindow(control, at));
}

void MousePress(TControl& control, QPoint at) {
    QTest::mousePress(WindowOf(control), Qt::LeftButton, Qt::NoModifier, InWindow(control, at));
}

void MouseMove(TControl& control, QPoint at) {
    QTest::mouseMove(WindowOf(control), InWindow(control, at));
}

void MouseRelease(TControl& control, QPoint at) {
    QTest::mouseRelease(WindowOf(control), Qt::LeftButton, Qt::NoModifier, InWindow(control, at));
}

void Wheel(TControl& control, int notches) {
    QWidget& w = control.Widget();
    const QPointF local = w.rect().center();
    QWheelEvent event(local, w.mapToGlobal(local), QPoint(), QPoint(0, notches * 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &event);
}

QPoint ThumbCentre(TScrollBar& bar) {
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = Qt::Vertical;
    option.minimum = bar.Min();
    option.maximum = bar.Max();
    option.sliderPosition = option.sliderValue = bar.Position();
    option.pageStep = 1;
    option.singleStep = 1;
    option.subControls = QStyle::SC_All;
    return bar.style()
        ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar)
        .center();
}

void ProcessEvents(int ms) {
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QTest::qWait(ms);
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

DialogCapture::DialogCapture() {
    Application().SetDialogHook([this](const ShownDialog& d) {
        dialogs_.push_back(d);
        return IDOK;
    });
    Application().SetShellHook([this](const std::string& target) {
        opened_.push_back(target);
        return !failOpening_;
    });
}

DialogCapture::~DialogCapture() {
    Application().SetDialogHook({});
    Application().SetShellHook({});
}

std::vector<std::string> DialogCapture::Errors() const {
    std::vector<std::string> out;
    for (const auto& d : dialogs_) {
        if (d.kind == ShownDialog::Kind::Error)
            out.push_back(d.text);
    }
    return out;
}

std::vector<std::string> DialogCapture::Messages() const {
    std::vector<std::string> out;
    for (const auto& d : dialogs_) {
        if (d.kind == ShownDialog::Kind::Message)
            out.push_back(d.text);
    }
    return out;
}

void DialogCapture::Clear() {
    dialogs_.clear();
    opened_.clear();
}

struct RealBoxes::Watch {
    QTimer timer;
    QTimer release;  // the key's release, a moment after the box has gone; never after the watch
    QPointer<QWidget> answered;
};

RealBoxes::RealBoxes(Answer answer) : watch_(std::make_unique<Watch>()) {
    Application().SetDialogHook({});
    watch_->release.setSingleShot(true);
    watch_->release.setInterval(30);
    QObject::connect(&watch_->release, &QTimer::timeout, [] {
        if (QWidget* focus = QApplication::focusWidget()) {
            if (QWindow* window = focus->window()->windowHandle())
                QTest::keyRelease(window, Qt::Key_Return);
        }
    });
    watch_->timer.setInterval(10);
    QObject::connect(&watch_->timer, &QTimer::timeout, [this, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box == watch_->answered)
            return;
        watch_->answered = box;
        texts_.push_back(FromQString(box->text()));
        if (answer == Answer::Click) {
            QAbstractButton* ok = box->button(QMessageBox::Ok);
            QTest::mouseClick(ok, Qt::LeftButton);
            return;
        }
        QTest::keyPress(box, Qt::Key_Return);
        watch_->release.start();
    });
    watch_->timer.start();
}

RealBoxes::~RealBoxes() = default;

}  // namespace veloria::widgets::testing
