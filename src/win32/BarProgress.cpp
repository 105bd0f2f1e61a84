#include "win32/BarProgress.h"

#include <algorithm>
#include <commctrl.h>

namespace mvx::win32 {

void BarProgress::SetRange(int minimum, int maximum)
{
    // An empty range (two empty files) would divide by zero in the bar's
    // drawing; it shows as an empty bar instead.
    minimum_ = minimum;
    maximum_ = std::max(maximum, minimum + 1);
    shownStep_ = -1;
    SendMessageW(bar_, PBM_SETRANGE32, static_cast<WPARAM>(minimum_), maximum_);
}

void BarProgress::SetPosition(int position)
{
    // A large file moves the bar by a fraction of a pixel per block, and
    // every move is a repaint: the bar hears of a position only when its
    // filled part could look different (at half-pixel steps), and always at
    // the ends.
    RECT area{};
    GetClientRect(bar_, &area);
    const std::int64_t steps = std::int64_t{2} * std::max<LONG>(area.right - area.left, 1);
    const std::int64_t step =
        (std::int64_t{position} - minimum_) * steps / (std::int64_t{maximum_} - minimum_);
    if (step == shownStep_ && position != minimum_ && position != maximum_)
        return;
    shownStep_ = step;
    SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void BarProgress::Reset()
{
    shownStep_ = -1;
    SendMessageW(bar_, PBM_SETPOS, 0, 0);
}

} // namespace mvx::win32
