#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "widgets/Buttons.h"
#include "widgets/Form.h"
#include "widgets/Memo.h"
#include "widgets/StdCtrls.h"
#include "widgets/Testing.h"

namespace veloria::widgets::test {

// The order in which handlers ran.
struct EventLog {
    std::vector<std::string> events;
    void operator()(const std::string& e) { events.push_back(e); }
    void Clear() { events.clear(); }
};

// A form whose handlers write into the log, with helpers to place controls.
class LoggedForm : public TForm {
  public:
    LoggedForm(std::string name, EventLog& log) : TForm(name), log_(log), name_(std::move(name)) {
        SetCaption(name_);
        SetClientSize(320, 220);
        SetBorderStyle(bsDialog);
        SetPosition(poScreenCenter);
        OnActivate = [this] { log_(name_ + ".activate"); };
    }

    // Places a control, names it, logs its enter and exit.
    template <class T, class... Args>
    T* Add(QWidget* parent, const std::string& name, int left, int top, int width, int height,
           int tabOrder, Args&&... args) {
        auto* c = new T(parent ? parent : this, std::forward<Args>(args)...);
        c->SetName(name);
        c->SetBounds(left, top, width, height);
        c->SetTabOrder(tabOrder);
        c->OnEnter = [this, name] { log_(name + ".enter"); };
        c->OnExit = [this, name] { log_(name + ".exit"); };
        return c;
    }
    template <class T, class... Args>
    T* Add(const std::string& name, int left, int top, int width, int height, int tabOrder,
           Args&&... args) {
        return Add<T>(nullptr, name, left, top, width, height, tabOrder,
                      std::forward<Args>(args)...);
    }

  private:
    EventLog& log_;
    std::string name_;
};

// Hides every form a test left showing, so that tests start alike.
class WidgetTest : public ::testing::Test {
  protected:
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* f = dynamic_cast<TForm*>(w); f && f->isVisible() && !f->Modal())
                f->Hide();
        }
        testing::ProcessEvents();
    }
    EventLog log;
};

}  // namespace veloria::widgets::test
