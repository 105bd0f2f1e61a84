// How often a display that could change with every block is told of it: a
// dock or a task-bar button, which the desktop redraws for every change it
// hears of, and the rate on a terminal, which no one reads faster.
#pragma once

#include <chrono>

namespace mvx {

class UpdatePace {
public:
    using Clock = std::chrono::steady_clock;
    // A few times a second: as smooth as a person follows it.
    static constexpr Clock::duration kInterval = std::chrono::milliseconds(250);

    // From now on, the next update is due an interval later.
    void Restart(Clock::time_point now) { last_ = now; }
    // True when an interval has passed since the last update, which then
    // counts as made now.
    bool Due(Clock::time_point now)
    {
        if (now - last_ < kInterval)
            return false;
        last_ = now;
        return true;
    }

private:
    Clock::time_point last_{};
};

} // namespace mvx
