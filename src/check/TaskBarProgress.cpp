#include "check/TaskBarProgress.h"

#include <algorithm>

namespace mvx {

void TaskBarProgress::Progress(std::int64_t done, std::int64_t total, Clock::time_point now)
{
    if (!running_) {
        running_ = true;
        wanted_ = {true, false, 0};
        // The first position is told an interval after the start, if the
        // comparison still runs then.
        pace_.Restart(now);
    }
    const double fraction = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 0.0;
    wanted_.fraction = std::clamp(fraction, 0.0, 1.0);
    if (wanted_ != told_ && pace_.Due(now))
        Tell();
}

void TaskBarProgress::WaitingForDevice(bool waiting)
{
    if (!running_ || wanted_.paused == waiting)
        return;
    wanted_.paused = waiting;
    Tell();
}

void TaskBarProgress::End()
{
    running_ = false;
    wanted_ = {};
    // An entry that was never shown has nothing to take back.
    if (told_ != wanted_)
        Tell();
}

void TaskBarProgress::Tell()
{
    told_ = wanted_;
    if (entry_ != nullptr)
        entry_->Show(told_);
}

} // namespace mvx
