#include "win32/BarProgress.h"

#include <commctrl.h>

namespace mvx::win32 {

void BarProgress::Progress(std::int64_t done, std::int64_t total)
{
    if (done == 0 || total != steps_.Total()) {
        // An empty range (two empty files) would divide by zero in the bar's
        // drawing; the steps' range never is empty.
        steps_.SetTotal(total);
        SendMessageW(bar_, PBM_SETRANGE32, 0, steps_.Maximum());
    }
    // Every position the bar hears of is a repaint.
    RECT area{};
    GetClientRect(bar_, &area);
    steps_.SetLength(area.right - area.left);
    if (steps_.Tell(done))
        SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(steps_.Value(done)), 0);
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
