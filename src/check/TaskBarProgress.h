// What the program's task-bar button or dock entry shows of a comparison:
// the bar's fraction while it runs, paused while a read waits for its
// device, and nothing once it has ended, however it ended. The desktop
// redraws the entry for every change it hears of, so a comparison that is
// over in a moment never shows there, and a long one is told a few times a
// second; a change of state is told at once.
#pragma once

#include "check/UpdatePace.h"

#include <cstdint>

namespace mvx {

struct TaskBarState {
    bool visible = false;
    bool paused = false;
    double fraction = 0; // of the comparison done, from 0 to 1
    friend bool operator==(const TaskBarState &, const TaskBarState &) = default;
};

// The platform's own entry: a launcher entry on the session bus, a task-bar
// button. Where the desktop has none, telling it does nothing.
class TaskBarEntry {
public:
    virtual ~TaskBarEntry() = default;
    virtual void Show(const TaskBarState &state) = 0;
};

class TaskBarProgress {
public:
    using Clock = UpdatePace::Clock;

    // The entry that is told from now on; none: nothing is told.
    void Attach(TaskBarEntry *entry) { entry_ = entry; }

    // Bytes done of the bytes in all; the first of a comparison starts it.
    void Progress(std::int64_t done, std::int64_t total, Clock::time_point now = Clock::now());
    void WaitingForDevice(bool waiting);
    // The comparison has ended: the entry shows nothing of it any more.
    void End();

private:
    void Tell();

    TaskBarEntry *entry_ = nullptr;
    // Whether a comparison runs, and what the entry was last told.
    bool running_ = false;
    TaskBarState wanted_;
    TaskBarState told_;
    UpdatePace pace_;
};

} // namespace mvx
