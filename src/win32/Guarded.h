// No C++ exception may unwind through the system's window procedures, and a
// failure must never end the program. So every handler that a window
// procedure calls runs inside Guarded, which shows a failure in the Error
// box; the message loop then carries on.
#pragma once

#include <exception>
#include <utility>

namespace mvx::win32 {

// The one report of a failure that left a handler.
void ApplicationEvents1Exception(const std::exception_ptr &failure) noexcept;

template <typename Handler> void Guarded(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        ApplicationEvents1Exception(std::current_exception());
    }
}

} // namespace mvx::win32
