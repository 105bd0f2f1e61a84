#include "check/BarSteps.h"

#include <algorithm>
#include <climits>

namespace mvx {

void BarSteps::SetTotal(std::int64_t total)
{
    total_ = total;
    shift_ = 0;
    while ((total >> shift_) > INT_MAX)
        ++shift_;
    shownStep_ = -1;
}

int BarSteps::Maximum() const
{
    return std::max(Value(total_), 1);
}

int BarSteps::Value(std::int64_t done) const
{
    return static_cast<int>(std::clamp<std::int64_t>(done, 0, std::max<std::int64_t>(total_, 0)) >> shift_);
}

void BarSteps::SetLength(int pixels)
{
    const std::int64_t steps = std::int64_t{2} * std::max(pixels, 1);
    if (steps != steps_)
        shownStep_ = -1;
    steps_ = steps;
}

void BarSteps::TellEveryPosition()
{
    if (steps_ != 0)
        shownStep_ = -1;
    steps_ = 0;
}

bool BarSteps::Tell(std::int64_t done)
{
    const int value = Value(done);
    // Nothing done is drawn apart from the least bit done.
    const std::int64_t step = value == 0    ? -2
                              : steps_ == 0 ? value
                                            : std::int64_t{value} * steps_ / Maximum();
    if (step == shownStep_ && value != 0 && value != Maximum())
        return false;
    shownStep_ = step;
    return true;
}

} // namespace mvx
