#pragma once

#include <QPoint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/Application.h"
#include "widgets/Control.h"
#include "widgets/Form.h"
#include "widgets/ScrollBar.h"

// Support for tests of windows: acting inside a modal showing, input delivered the way real input
// arrives (through the window, so a window blocked by a modal one gets none), the boxes the
// program shows captured instead of waiting for a user, and controls found by name.
namespace veloria::widgets::testing {

// Sets QT_QPA_PLATFORM=offscreen unless it is set; call before the QApplication is made.
void UseOffscreenUnlessSet();

// Runs `action` once the form's next showing has finished: after its OnActivate, from inside its
// modal loop when it is shown modally. Register before the input that opens the form; actions
// nest (an action may register one for a form it opens in turn).
void WhenModal(TForm& form, std::function<void()> action);
void WhenShown(TForm& form, std::function<void()> action);

// The form's window made the active one, as the window system makes it when the user clicks it
// or switches to it (a click of the tests' mouse activates nothing by itself).
void Activate(TForm& form);

// Keys to the form's window, as the keyboard sends them (with the access-key check first).
void KeyClick(TForm& form, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void KeyPress(TForm& form, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void KeyRelease(TForm& form, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// A held key: the press, `repeats` auto-repeated release and press pairs, the release.
void HoldKey(TForm& form, Qt::Key key, int repeats);
// Types Windows-1252 text, one key per character.
void TypeText(TForm& form, std::string_view text);

// The mouse, at a point of the control (its centre by default), through its window.
void Click(TControl& control, QPoint at = QPoint(-1, -1));
void DoubleClick(TControl& control, QPoint at = QPoint(-1, -1));
void MousePress(TControl& control, QPoint at = QPoint(-1, -1));
void MouseMove(TControl& control, QPoint at);
void MouseRelease(TControl& control, QPoint at = QPoint(-1, -1));
// Turns the wheel over the control; positive notches turn it away from the user.
void Wheel(TControl& control, int notches);
// The centre of a vertical scroll bar's thumb, where a drag of it starts.
QPoint ThumbCentre(TScrollBar& bar);

void ProcessEvents(int ms = 0);
// Processes events until the condition holds or the time is up; returns the condition.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 3000);

// The control of that name on the form; throws std::logic_error when there is none of that
// class.
template <class T>
T& Get(TForm& form, std::string_view name) {
    auto* control = dynamic_cast<T*>(form.FindControl(name));
    if (!control)
        throw std::logic_error("no control " + std::string(name));
    return *control;
}

// While alive, every error box and message box the program shows is recorded and answered with
// OK, and the desktop's default action only records what it was asked to open.
class DialogCapture {
  public:
    DialogCapture();
    ~DialogCapture();
    DialogCapture(const DialogCapture&) = delete;
    DialogCapture& operator=(const DialogCapture&) = delete;

    const std::vector<ShownDialog>& Dialogs() const { return dialogs_; }
    std::vector<std::string> Errors() const;
    std::vector<std::string> Messages() const;
    const std::vector<std::string>& Opened() const { return opened_; }
    // From now on the desktop finds no program to open what it is asked to.
    void FailOpening() { failOpening_ = true; }
    void Clear();

  private:
    std::vector<ShownDialog> dialogs_;
    std::vector<std::string> opened_;
    bool failOpening_ = false;
};

// While alive, the boxes the program shows are the real ones, answered as a user answers them:
// with Enter, whose release then reaches whatever window has the focus once the box is gone (as
// the keyboard sends it), or with a click on OK. Nothing is answered while the test itself waits
// outside an event loop.
class RealBoxes {
  public:
    enum class Answer { Enter, Click };
    explicit RealBoxes(Answer answer);
    ~RealBoxes();
    RealBoxes(const RealBoxes&) = delete;
    RealBoxes& operator=(const RealBoxes&) = delete;

    // The texts of the boxes answered so far.
    const std::vector<std::string>& Texts() const { return texts_; }

  private:
    struct Watch;
    std::unique_ptr<Watch> watch_;
    std::vector<std::string> texts_;
};

}  // namespace veloria::widgets::testing
