#pragma once

#include <functional>
#include <type_traits>
#include <utility>

// Every event handler a window assigns runs through Dispatch. An exception that leaves the handler
// ends it there and shows the standard error box; the program goes on. Windows never catch.
//
// Handlers called by the program itself (Click() on a button, a handler calling another) are plain
// calls: their exceptions travel up to the handler that made the call, and end it too.
namespace veloria::widgets {

namespace detail {
void HandleCurrentException() noexcept;
// After every handler the controls bound to tables follow their tables' current rows.
void AfterEvent() noexcept;
}  // namespace detail

template <class F, class... Args>
void Dispatch(const F& handler, Args&&... args) {
    if constexpr (std::is_constructible_v<bool, const F&>) {
        if (!static_cast<bool>(handler))
            return;
    }
    // A copy: the handler may reassign itself, or delete its control, while it runs.
    F copy = handler;
    try {
        std::invoke(copy, std::forward<Args>(args)...);
    } catch (...) {
        detail::HandleCurrentException();
    }
    detail::AfterEvent();
}

}  // namespace veloria::widgets
