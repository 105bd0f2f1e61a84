// A device that stops answering, on a mount of the fault file system: while a
// read waits, the comparison goes on servicing the window and tells it after
// a second; a Stop ends it at once whatever the read does; other files can be
// compared meanwhile; and the read given up on lets go of its file as soon as
// the device lets the read go.
#include "compare/Compare.h"
#include "engine/PairCompare.h"
#include "engine/Recorder.h"
#include "faultfs/Fault.h"
#include "support/FaultMount.h"
#include "support/HeldRead.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

namespace faultfs = mvx::faultfs;
using mvx::kBlockLength;
using mvx::test::CompareFiles;
using mvx::test::FaultMount;
using mvx::test::FileSizeOf;
using mvx::test::kGivenUpWithin;
using mvx::test::kHeldAt;
using mvx::test::kHeldLong;
using mvx::test::kHeldPairLength;
using mvx::test::OpenDescriptorCount;
using mvx::test::Recorder;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

bool Compare(const FaultMount &mount, const std::string &source, const std::string &target,
             Recorder &recorder)
{
    return CompareFiles(mount.Mounted(source), mount.Mounted(target), recorder);
}

// Inside a read that waits.
bool Waiting(const Recorder &recorder)
{
    return !recorder.calls.empty() && recorder.calls.back() == "wait";
}

// True once the process has `count` descriptors open, within the time.
bool OpenDescriptorsBecome(int count, milliseconds within)
{
    const Clock::time_point deadline = Clock::now() + within;
    while (OpenDescriptorCount() != count) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
}

void WritePairs(const FaultMount &mount)
{
    mvx::test::WriteHeldFiles(mount, {"source", "target", "other-a", "other-b"});
}

} // namespace

TEST(HeldReads, AStopWhileAReadIsHeldEndsAtOnceAndTheReadLetsGoOfItsFileLater)
{
    for (const char *mode : {"", "direct_io"}) {
        SCOPED_TRACE(*mode != '\0' ? mode : "through the cache");
        const faultfs::Fault hold = faultfs::Hold("target", kHeldAt, kHeldLong);
        FaultMount mount({hold}, mode);
        WritePairs(mount);
        const int open = OpenDescriptorCount();

        Recorder recorder;
        Clock::time_point stoppedAt{};
        int blocksBeforeStop = 0;
        recorder.onEvents = [&] {
            if (!recorder.stop.stop_requested() && Waiting(recorder) &&
                mount.WaitUntilHeld(hold, milliseconds(0))) {
                blocksBeforeStop =
                    static_cast<int>(std::count_if(recorder.calls.begin(), recorder.calls.end(),
                                                   [](const std::string &c) { return c[0] == 'a'; }));
                stoppedAt = Clock::now();
                recorder.stop.request_stop();
            }
        };
        EXPECT_FALSE(Compare(mount, "source", "target", recorder));
        EXPECT_LT(Clock::now() - stoppedAt, kGivenUpWithin);
        EXPECT_TRUE(recorder.stop.stop_requested());
        // Stopped no further than where the request that the hold holds
        // begins (reading ahead, it may be held before the comparison gets
        // there).
        EXPECT_LE(blocksBeforeStop, kHeldAt / static_cast<std::int64_t>(mvx::kRequestLength) *
                                        static_cast<std::int64_t>(mvx::kRequestLength) / kBlockLength);
        EXPECT_EQ(recorder.calls.back(), "wait");

        // The read given up on still holds the target; another check needs
        // nothing of it.
        EXPECT_EQ(OpenDescriptorCount(), open + 1);
        Recorder other;
        EXPECT_TRUE(Compare(mount, "other-a", "other-b", other));
        EXPECT_EQ(OpenDescriptorCount(), open + 1);

        mount.Release();
        ASSERT_TRUE(mount.WaitUntilLetGo(hold));
        EXPECT_TRUE(OpenDescriptorsBecome(open, kGivenUpWithin));
    }
}

TEST(HeldReads, AReadThatKeepsBeingInterruptedStillLetsAStopThrough)
{
    // Straight to the file system, where its EINTR reaches the reader as it is.
    FaultMount mount({faultfs::FailWithEintr("target", kHeldAt)}, "direct_io");
    WritePairs(mount);
    const int open = OpenDescriptorCount();
    Recorder recorder;
    Clock::time_point stoppedAt{};
    recorder.onEvents = [&] {
        if (!recorder.stop.stop_requested() &&
            std::find(recorder.calls.begin(), recorder.calls.end(), "waiting") != recorder.calls.end()) {
            stoppedAt = Clock::now();
            recorder.stop.request_stop();
        }
    };
    EXPECT_FALSE(Compare(mount, "source", "target", recorder));
    EXPECT_LT(Clock::now() - stoppedAt, kGivenUpWithin);
    // Asked again and again until nobody waited: then it ends by itself.
    EXPECT_TRUE(OpenDescriptorsBecome(open, kGivenUpWithin));
}

TEST(HeldReads, AReadThatWaitsASecondIsToldOfUntilTheDeviceAnswers)
{
    const faultfs::Fault hold = faultfs::Hold("target", kHeldAt, milliseconds(1500));
    FaultMount mount({hold});
    WritePairs(mount);
    Recorder recorder;
    const Clock::time_point start = Clock::now();
    Clock::duration untilTold{};
    recorder.onEvents = [&] {
        if (untilTold == Clock::duration{} &&
            std::find(recorder.calls.begin(), recorder.calls.end(), "waiting") != recorder.calls.end())
            untilTold = Clock::now() - start;
    };
    EXPECT_TRUE(Compare(mount, "source", "target", recorder));
    EXPECT_GE(untilTold, milliseconds(1000));

    // Told once, and the telling ends before the bar moves on; the bar moves
    // block by block as ever.
    const auto waiting = std::find(recorder.calls.begin(), recorder.calls.end(), "waiting");
    ASSERT_NE(waiting, recorder.calls.end());
    EXPECT_EQ(std::count(recorder.calls.begin(), recorder.calls.end(), "waiting"), 1);
    const auto answered = std::find(waiting, recorder.calls.end(), "answered");
    ASSERT_NE(answered, recorder.calls.end());
    EXPECT_TRUE(std::all_of(waiting + 1, answered, [](const std::string &c) { return c == "wait"; }));
    std::vector<std::string> positions;
    std::copy_if(recorder.calls.begin(), recorder.calls.end(), std::back_inserter(positions),
                 [](const std::string &c) { return c.starts_with("at "); });
    std::vector<std::string> expected;
    for (std::int64_t at = kBlockLength; at < kHeldPairLength; at += kBlockLength)
        expected.push_back("at " + std::to_string(at));
    expected.push_back("at " + std::to_string(kHeldPairLength));
    EXPECT_EQ(positions, expected);
}

// A share that stops answering before any read, at the look-up of a name or
// at the open of a file: the same Stop gives the wait up, after the notice,
// and the file is let go once the device answers.
TEST(HeldReads, AStopWhileALookUpOrAnOpenIsHeldEndsTheWaitAndLeavesNoFileOpen)
{
    for (const faultfs::Fault &hold :
         {faultfs::HoldLookUp("target", kHeldLong), faultfs::HoldOpen("target", kHeldLong)}) {
        SCOPED_TRACE(faultfs::FaultText(hold));
        FaultMount mount({hold});
        WritePairs(mount);
        const int open = OpenDescriptorCount();

        Recorder recorder;
        const Clock::time_point start = Clock::now();
        std::optional<Clock::duration> untilTold;
        recorder.onEvents = [&] {
            if (!untilTold &&
                std::find(recorder.calls.begin(), recorder.calls.end(), "waiting") != recorder.calls.end())
                untilTold = Clock::now() - start;
            if (untilTold)
                recorder.stop.request_stop();
        };
        // The pair goes with the wait: neither waits for the device.
        EXPECT_EQ(mvx::test::OpeningOf(mount.Mounted("source"), mount.Mounted("target"), recorder),
                  mvx::FilePair::Opening::Stopped);
        ASSERT_TRUE(untilTold);
        EXPECT_GE(*untilTold, milliseconds(1000));
        EXPECT_EQ(recorder.calls.back(), "answered");
        EXPECT_TRUE(mount.WaitUntilHeld(hold, milliseconds(0)));
        EXPECT_FALSE(mount.WaitUntilLetGo(hold, milliseconds(0)));

        mount.Release();
        ASSERT_TRUE(mount.WaitUntilLetGo(hold));
        EXPECT_TRUE(OpenDescriptorsBecome(open, kGivenUpWithin));
    }
}
