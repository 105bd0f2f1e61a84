#include "cli/InterruptStop.h"

#include "check/CheckCommand.h"
#include "cli/CmpTexts.h"

#include <atomic>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::cmp {

namespace {

// Set while a comparison runs; taken by the first Ctrl-C, as a signal handler
// that resets itself is.
std::atomic<bool> armed{false};

// The system calls this on a thread of its own.
BOOL WINAPI OnControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE; // a console closed, a logoff: the system's way
    if (armed.exchange(false)) {
        CancelRequested.store(1, std::memory_order_relaxed);
        return TRUE;
    }
    // Nothing buffered is lost: every text is written as it is made.
    TerminateProcess(GetCurrentProcess(), kStatusStopped);
    return TRUE;
}

} // namespace

void TakeConsoleInterrupts()
{
    SetConsoleCtrlHandler(OnControl, TRUE);
}

InterruptStop::InterruptStop()
{
    armed = true;
}

InterruptStop::~InterruptStop()
{
    armed = false;
}

} // namespace mvx::cmp
