#include "cli/InterruptStop.h"

#include "check/CheckCommand.h"

namespace mvx::cmp {

namespace {

void OnInterrupt(int)
{
    CancelRequested.store(1, std::memory_order_relaxed);
}

static_assert(decltype(CancelRequested)::is_always_lock_free, "set from a signal handler");

} // namespace

InterruptStop::InterruptStop()
{
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Reads go on after the handler; the comparison sees the flag after its block.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, &previous_);
}

InterruptStop::~InterruptStop()
{
    sigaction(SIGINT, &previous_, nullptr);
}

} // namespace mvx::cmp
