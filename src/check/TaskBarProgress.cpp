#include "check/TaskBarProgress.h"

#include <algorithm>

namespace mvx {

void TaskBarProgress::SetRange(int minimum, int maximum, Clock::time_point now)
{
    minimum_ = minimum;
    maximum_ = std::max(maximum, minimum + 1);
    running_ = true;
    wanted_ = {true, false, 0};
    // The first position is told an interval after the start, if the
    // comparison still runs then.
    pace_.Restart(now);
}

void TaskBarProgress::SetPosition(int position, Clock::time_point now)
{
    if (!running_)
        return;
    const double done = static_cast<double>(position - minimum_) / (static_cast<double>(maximum_) - minimum_);
    wanted_.fraction = std::clamp(done, 0.0, 1.0);
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
