// Ctrl-C during a check: the comparison is asked to stop through
// CancelRequested, the way the Stop button asks it in the window.
#pragma once

#include <csignal>

namespace mvx::cmp {

// While alive, the first SIGINT sets CancelRequested and is remembered; the
// handler then removes itself, so a second Ctrl-C ends a program that is stuck
// in a read the usual way.
class InterruptStop {
public:
    InterruptStop();
    ~InterruptStop();
    InterruptStop(const InterruptStop &) = delete;
    InterruptStop &operator=(const InterruptStop &) = delete;

    // True once Ctrl-C was pressed while one was alive, also when it came
    // before the comparison had started and so could not be seen by it.
    [[nodiscard]] static bool Interrupted();

private:
    struct sigaction previous_ {};
};

} // namespace mvx::cmp
