// What the task-bar button or dock entry is told of a comparison: nothing of
// one that is over in a moment, the bar's fraction a few times a second of a
// long one, a wait for the device at once, and nothing once it has ended.
#include "check/TaskBarProgress.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

using mvx::TaskBarProgress;
using mvx::TaskBarState;
using namespace std::chrono_literals;

namespace {

struct Recorder final : mvx::TaskBarEntry {
    std::vector<TaskBarState> told;
    void Show(const TaskBarState &state) override { told.push_back(state); }
};

const TaskBarState kHidden{};

TaskBarState Shown(double fraction, bool paused = false)
{
    return {true, paused, fraction};
}

} // namespace

TEST(TaskBarProgress, IsToldAFewTimesASecondAndNothingOfAComparisonOverInAMoment)
{
    const struct {
        const char *name;
        // A block every `step` over `blocks` blocks of 100 positions each.
        std::chrono::milliseconds step;
        int blocks;
        std::vector<TaskBarState> told;
    } cases[] = {
        {"over in 90 ms", 10ms, 9, {}},
        {"two seconds",
         100ms,
         20,
         {Shown(0.15), Shown(0.3), Shown(0.45), Shown(0.6), Shown(0.75), Shown(0.9), kHidden}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Recorder dock;
        TaskBarProgress progress;
        progress.Attach(&dock);
        const auto start = TaskBarProgress::Clock::time_point{} + 1h;
        progress.Progress(0, 100 * c.blocks, start);
        for (int block = 1; block <= c.blocks; ++block)
            progress.Progress(100 * block, 100 * c.blocks, start + block * c.step);
        progress.End();
        // Every change no sooner than 250 ms after the one before; a fraction
        // of whole positions is the nearest double, as the literal is.
        EXPECT_EQ(dock.told, c.told);
    }
}

TEST(TaskBarProgress, AWaitForTheDeviceIsToldAtOnceAndTheEndOnlyOnce)
{
    Recorder dock;
    TaskBarProgress progress;
    progress.Attach(&dock);
    const auto start = TaskBarProgress::Clock::time_point{} + 1h;
    progress.Progress(0, 1000, start);
    progress.Progress(400, 1000, start + 10ms);
    // The engine tells of a wait a second into it, before any other position.
    progress.WaitingForDevice(true);
    progress.WaitingForDevice(false);
    progress.End();
    progress.End();
    // A wait outside a comparison, as when the engine winds it up, shows nothing.
    progress.WaitingForDevice(false);
    progress.WaitingForDevice(true);
    const std::vector<TaskBarState> told{Shown(0.4, true), Shown(0.4), kHidden};
    EXPECT_EQ(dock.told, told);

    // An empty range (two empty files) divides nothing by zero.
    Recorder empty;
    TaskBarProgress nothing;
    nothing.Attach(&empty);
    nothing.Progress(0, 0, start);
    nothing.Progress(0, 0, start + 1s);
    ASSERT_EQ(empty.told.size(), 1U);
    EXPECT_EQ(empty.told[0].fraction, 0.0);
}
