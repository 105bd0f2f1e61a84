// morvatix-cmp on a device that stops answering, on a mount of the fault file
// system: Ctrl-C still stops it at once with its message and status, SIGTERM
// and SIGHUP still end it as they end any program, and a terminal is told
// that it waits for the device.
#include "cli/CmpProcess.h"
#include "faultfs/Fault.h"
#include "support/FaultMount.h"
#include "support/HeldRead.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace faultfs = mvx::faultfs;
using mvx::test::CmpProcess;
using mvx::test::CmpRun;
using mvx::test::FaultMount;
using mvx::test::kGivenUpWithin;
using mvx::test::kHeldAt;
using mvx::test::kHeldLong;
using mvx::test::kHeldPairLength;
using mvx::test::Pattern;
using mvx::test::WriteBytes;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

void WritePair(const FaultMount &mount)
{
    const std::string bytes = Pattern(kHeldPairLength);
    WriteBytes(mount.Backing("source"), bytes);
    WriteBytes(mount.Backing("target"), bytes);
}

// The signal, once the comparison waits on the held read; the run, and how
// long after the signal the program had ended.
std::pair<CmpRun, Clock::duration> SignalWhileHeld(int signal)
{
    const faultfs::Fault hold = faultfs::Hold("target", kHeldAt, kHeldLong);
    FaultMount mount({hold});
    WritePair(mount);
    CmpProcess process({mount.Mounted("source"), mount.Mounted("target")}, {});
    EXPECT_TRUE(mount.WaitUntilHeld(hold));
    // Through the cache the system may meet the hold a little ahead of the
    // comparison, which catches up within a few blocks.
    std::this_thread::sleep_for(milliseconds(100));
    const Clock::time_point signalled = Clock::now();
    process.Signal(signal);
    CmpRun run = process.Finish();
    return {run, Clock::now() - signalled};
}

} // namespace

TEST(MorvatixCmpOnAHeldRead, CtrlCStopsItAtOnceWithCancelledAndStatus130)
{
    const auto [run, ended] = SignalWhileHeld(SIGINT);
    EXPECT_EQ(run.status, 130);
    EXPECT_EQ(run.err, "キャンセルされました\n");
    EXPECT_EQ(run.out, "");
    EXPECT_LT(ended, kGivenUpWithin);
}

TEST(MorvatixCmpOnAHeldRead, SigtermAndSighupEndItAsTheyEndAnyProgram)
{
    for (const int signal : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const auto [run, ended] = SignalWhileHeld(signal);
        EXPECT_EQ(run.signal, signal);
        EXPECT_EQ(run.status, -1);
        EXPECT_EQ(run.out, "");
        EXPECT_LT(ended, kGivenUpWithin);
    }
}

TEST(MorvatixCmpOnAHeldRead, ATerminalIsToldOfTheWaitAndCtrlCGetsThroughReadsInterruptedForEver)
{
    FaultMount mount({faultfs::FailWithEintr("target", kHeldAt)}, "direct_io");
    WritePair(mount);
    CmpProcess process({mount.Mounted("source"), mount.Mounted("target")}, {.errorOnTerminal = true});
    ASSERT_TRUE(process.WaitForError("デバイスの応答を待っています"));
    const Clock::time_point signalled = Clock::now();
    process.Signal(SIGINT);
    const CmpRun run = process.Finish();
    EXPECT_LT(Clock::now() - signalled, kGivenUpWithin);
    EXPECT_EQ(run.status, 130);
    EXPECT_EQ(run.out, "");
    // The notice stands after the bar where it stopped, in block 29 of 41,
    // and is wiped with it when the wait ends: its fourteen wide characters
    // take two columns each.
    const std::string bar = "\r[" + std::string(28, '#') + std::string(12, '.') + "]  72%";
    EXPECT_NE(run.err.find(bar + " デバイスの応答を待っています"), std::string::npos) << run.err;
    const auto wipe = [](std::size_t columns) {
        std::string blanks(columns + 2, ' ');
        blanks.front() = '\r';
        blanks.back() = '\r';
        return blanks;
    };
    EXPECT_NE(run.err.find(wipe(47 + 1 + 28)), std::string::npos) << run.err;
    const std::string end = bar + wipe(47) + "キャンセルされました\r\n";
    ASSERT_GE(run.err.size(), end.size()) << run.err;
    EXPECT_EQ(run.err.substr(run.err.size() - end.size()), end);
}
