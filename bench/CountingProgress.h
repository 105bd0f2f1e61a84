// What the engine does with progress when no one watches: nothing, but it
// counts the blocks and notes the longest time that a window would have gone
// without its events processed, from the call to the first processing, from
// one to the next, and from the last to the verdict.
#pragma once

#include "compare/Compare.h"

#include <algorithm>
#include <chrono>

namespace mvx::bench {

class CountingProgress final : public mvx::CompareProgress {
public:
    using Clock = std::chrono::steady_clock;
    int positions = 0;
    Clock::time_point last = Clock::now();
    Clock::duration longestGap{};

    void Progress(std::int64_t, std::int64_t) override { ++positions; }
    void ProcessEvents() override { NoteGap(); }
    void WaitingForDevice(bool) override {}
    void NoteGap()
    {
        const Clock::time_point now = Clock::now();
        longestGap = std::max(longestGap, now - last);
        last = now;
    }
};

} // namespace mvx::bench
