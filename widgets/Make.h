#pragma once

#include <string_view>
#include <utility>

#include "widgets/Control.h"

namespace veloria::widgets {

// Creates a control on its parent (which owns it) at its place in the parent's client area, with
// its name and, for controls that take the focus, its tab order: the one line a window spends on
// each control before setting what is particular to it.
template <class T, class... Args>
T* Make(QWidget* parent, std::string_view name, int left, int top, int width, int height,
        int tabOrder = -1, Args&&... args) {
    auto* control = new T(parent, std::forward<Args>(args)...);
    control->SetName(name);
    control->SetBounds(left, top, width, height);
    if (tabOrder >= 0) {
        control->SetTabOrder(tabOrder);
        control->SetTabStop(true);
    }
    return control;
}

}  // namespace veloria::widgets
