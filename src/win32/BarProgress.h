// Shows the comparison's progress on a common-controls progress bar.
#pragma once

#include "check/BarSteps.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::win32 {

class BarProgress {
public:
    void Attach(HWND bar) { bar_ = bar; }
    // Bytes done of the bytes in all; 0 done starts a comparison.
    void Progress(std::int64_t done, std::int64_t total);
    // Back to the start, as the idle window shows it.
    void Reset();
    // The system's own look for a bar that waits: paused, in its colour.
    void WaitingForDevice(bool waiting);

private:
    HWND bar_ = nullptr;
    BarSteps steps_;
};

} // namespace mvx::win32
