#include "win32/BarProgress.h"

#include <commctrl.h>

namespace mvx::win32 {

void BarProgress::SetRange(int minimum, int maximum)
{
    // An empty range (two empty files) would divide by zero in the bar's
    // drawing; the steps' range never is empty.
    steps_.SetRange(minimum, maximum);
    SendMessageW(bar_, PBM_SETRANGE32, static_cast<WPARAM>(steps_.Minimum()), steps_.Maximum());
}

void BarProgress::SetPosition(int position)
{
    // Every position the bar hears of is a repaint.
    RECT area{};
    GetClientRect(bar_, &area);
    steps_.SetLength(area.right - area.left);
    if (steps_.Tell(position))
        SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void BarProgress::Reset()
{
    SendMessageW(bar_, PBM_SETPOS, 0, 0);
}

void BarProgress::WaitingForDevice(bool waiting)
{
    SendMessageW(bar_, PBM_SETSTATE, waiting ? PBST_PAUSED : PBST_NORMAL, 0);
}

} // namespace mvx::win32
