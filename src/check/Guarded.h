// No C++ exception may unwind through a toolkit's event dispatch (Qt's, or
// the system's window procedures), and a failure must never end the program.
// So every handler that the toolkit calls runs inside Guarded, which hands a
// failure to the Error box; the event loop then carries on.
#pragma once

#include <exception>
#include <utility>

namespace mvx {

// The one application-wide report of a failure that left a handler. Each
// window front end defines it with its own Error box.
void ApplicationEvents1Exception(const std::exception_ptr &failure) noexcept;

template <typename Handler> void Guarded(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        ApplicationEvents1Exception(std::current_exception());
    }
}

} // namespace mvx
