// Qt must never see an exception unwind through its event dispatch, and a
// failure must never end the program. So every handler that Qt calls runs
// inside Guarded, which shows a failure in the Error box and lets the event
// loop carry on.
#pragma once

#include <exception>
#include <utility>

namespace mvx::ui {

// The one application-wide report of a failure that left a handler.
void ApplicationEvents1Exception(const std::exception_ptr &failure) noexcept;

template <typename Handler> void Guarded(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        ApplicationEvents1Exception(std::current_exception());
    }
}

} // namespace mvx::ui
