#include "faultfs/Holds.h"

#include <atomic>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace mvx::faultfs {

namespace {

std::atomic<bool> released{false};
int reportFd = -1;

void OnRelease(int)
{
    released = true;
}

void Report(std::string_view what, const Fault &hold)
{
    if (reportFd < 0)
        return;
    const std::string line = std::string(what) + FaultText(hold) + "\n";
    // One write for the whole line: the lines of two requests held at the
    // same time never mix.
    [[maybe_unused]] const ssize_t written = ::write(reportFd, line.data(), line.size());
}

} // namespace

bool OpenReports(const char *path)
{
    reportFd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    return reportFd >= 0;
}

void InstallRelease()
{
    struct sigaction action {};
    action.sa_handler = OnRelease;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(kReleaseSignal, &action, nullptr);
}

void HoldBack(const Fault &hold, const std::function<bool()> &ending)
{
    if (released)
        return;
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const auto timeUp = [&] { return hold.holdFor != kForEver && Clock::now() - start >= hold.holdFor; };
    Report(kHeldReport, hold);
    // All a signal handler may do is set the flag; it is looked at often
    // enough that a release takes effect at once.
    while (!released && !timeUp() && !ending())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    Report(kLetGoReport, hold);
}

} // namespace mvx::faultfs
