#include "check/BarSteps.h"

#include <algorithm>

namespace mvx {

void BarSteps::SetRange(int minimum, int maximum)
{
    minimum_ = minimum;
    maximum_ = std::max(maximum, minimum + 1);
    shownStep_ = -1;
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

bool BarSteps::Tell(int position)
{
    const std::int64_t step =
        steps_ == 0 ? position
                    : (std::int64_t{position} - minimum_) * steps_ / (std::int64_t{maximum_} - minimum_);
    if (step == shownStep_ && position != minimum_ && position != maximum_)
        return false;
    shownStep_ = step;
    return true;
}

} // namespace mvx
