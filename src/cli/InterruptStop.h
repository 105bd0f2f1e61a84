// Ctrl-C during a check: the comparison is asked to stop through
// CancelRequested, the way the Stop button asks it in the window.
#pragma once

#ifndef _WIN32
#include <csignal>
#endif

namespace mvx::cmp {

// While alive, the first Ctrl-C (SIGINT; on Windows also Ctrl-Break) sets
// CancelRequested; the next one ends the program at once, so that one stuck
// in a read can still be ended.
class InterruptStop {
public:
    InterruptStop();
    ~InterruptStop();
    InterruptStop(const InterruptStop &) = delete;
    InterruptStop &operator=(const InterruptStop &) = delete;

private:
#ifndef _WIN32
    struct sigaction previous_ {};
#endif
};

#ifdef _WIN32
// Windows has one handler for the program's whole run, taken at the start.
// Ctrl-C outside a comparison, or a second one in it, ends the program at
// once with the stopped status, as a shell reports a program that SIGINT
// ended: the system's own ending gives a status that a script can take for a
// verdict (0 under Wine; a negative one that cmd's "if errorlevel 1" misses).
void TakeConsoleInterrupts();
#endif

} // namespace mvx::cmp
