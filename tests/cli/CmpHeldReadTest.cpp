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
#include <filesystem>
#include <regex>
#include <thread>

namespace faultfs = mvx::faultfs;
using mvx::test::CmpProcess;
using mvx::test::CmpRun;
using mvx::test::FaultMount;
using mvx::test::kGivenUpWithin;
using mvx::test::kHeldAt;
using mvx::test::kHeldLong;
using mvx::test::Pattern;
using mvx::test::WriteBytes;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

void WritePair(const FaultMount &mount)
{
    mvx::test::WriteHeldFiles(mount);
}

// The signal, once the comparison waits on the held read of the target; the
// run, and how long after the signal the program had ended. In trees, the pair
// lies in two folders.
std::pair<CmpRun, Clock::duration> SignalWhileHeld(int signal, bool trees = false)
{
    const std::string source = trees ? "a/file" : "source";
    const std::string target = trees ? "b/file" : "target";
    const faultfs::Fault hold = faultfs::Hold(target, kHeldAt, kHeldLong);
    FaultMount mount({hold});
    if (trees) {
        std::filesystem::create_directory(mount.Backing("a"));
        std::filesystem::create_directory(mount.Backing("b"));
    }
    mvx::test::WriteHeldFiles(mount, {source.c_str(), target.c_str()});
    CmpProcess process(trees ? std::vector{mount.Mounted("a"), mount.Mounted("b")}
                             : std::vector{mount.Mounted(source), mount.Mounted(target)},
                       {});
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
    for (const bool trees : {false, true}) {
        SCOPED_TRACE(trees ? "two trees" : "two files");
        const auto [run, ended] = SignalWhileHeld(SIGINT, trees);
        EXPECT_EQ(run.status, 130);
        EXPECT_EQ(run.err, "キャンセルされました\n");
        EXPECT_EQ(run.out, "");
        EXPECT_LT(ended, kGivenUpWithin);
    }
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
    // The notice stands after the bar where it stopped, at the start of the
    // request that the fault is in, after half the pair's blocks, and is
    // wiped with it when the wait ends: its fourteen wide characters take
    // two columns each.
    const std::string bar = "\r[" + std::string(19, '#') + std::string(21, '.') + "]  49%";
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

// A share that stops answering before any read, at the look-up of a name or
// at the open of a file. Ctrl-C gives the wait up with the cancel text and
// ends the program while the device still holds it; the process itself ends
// once the device answers, for the system keeps a thread that waits inside a
// file system's request until then.
TEST(MorvatixCmpOnAHeldRead, CtrlCDuringAHeldLookUpOrOpenPrintsCancelledAndEndsWith130)
{
    for (const faultfs::Fault &hold :
         {faultfs::HoldLookUp("target", kHeldLong), faultfs::HoldOpen("target", kHeldLong)}) {
        SCOPED_TRACE(faultfs::FaultText(hold));
        FaultMount mount({hold});
        WritePair(mount);
        CmpProcess process({mount.Mounted("source"), mount.Mounted("target")}, {});
        ASSERT_TRUE(mount.WaitUntilHeld(hold));
        // Ctrl-C stops a check once it waits; before, it ends the program.
        const Clock::time_point deadline = Clock::now() + FaultMount::kWait;
        while (!process.Catches(SIGINT) && Clock::now() < deadline)
            std::this_thread::sleep_for(milliseconds(5));
        process.Signal(SIGINT);
        EXPECT_TRUE(process.WaitForError("キャンセルされました\n"));
        while (!process.MainThreadEnded() && Clock::now() < deadline)
            std::this_thread::sleep_for(milliseconds(5));
        EXPECT_TRUE(process.MainThreadEnded());
        EXPECT_FALSE(mount.WaitUntilLetGo(hold, milliseconds(0)));

        mount.Release();
        const CmpRun run = process.Finish();
        EXPECT_EQ(run.status, 130);
        EXPECT_EQ(run.err, "キャンセルされました\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST(MorvatixCmpOnAHeldRead, ATerminalIsToldTheRateAndTimeLeftOnceTheComparisonHasRunASecond)
{
    // After the bar and its percentage, on the same line.
    const std::regex rate(R"(\r\[#+\.*\] +[0-9]+%  [0-9]+\.[0-9] MB/s  残り [0-9]+:[0-5][0-9])");
    for (const bool terminal : {true, false}) {
        SCOPED_TRACE(terminal ? "terminal" : "pipe");
        const faultfs::Fault hold = faultfs::Hold("target", kHeldAt);
        FaultMount mount({hold});
        WritePair(mount);
        CmpProcess process({mount.Mounted("source"), mount.Mounted("target")}, {.errorOnTerminal = terminal});
        ASSERT_TRUE(mount.WaitUntilHeld(hold));
        std::this_thread::sleep_for(milliseconds(1500));
        mount.Release();
        const CmpRun run = process.Finish();
        EXPECT_EQ(run.status, 0);
        if (terminal)
            EXPECT_TRUE(std::regex_search(run.err, rate)) << run.err;
        else
            EXPECT_EQ(run.err, "");
    }
}

TEST(MorvatixCmpOnAFailingDevice, ATreeWithAFileThatCannotBeReadNamesItAndIsNeverIdentical)
{
    FaultMount mount({faultfs::FailWithEio("a/bad", 0)});
    for (const char *root : {"a", "b"}) {
        std::filesystem::create_directory(mount.Backing(root));
        WriteBytes(mount.Backing(root) + "/bad", Pattern(1000));
        WriteBytes(mount.Backing(root) + "/good", Pattern(1000));
    }
    const CmpRun alone = mvx::test::RunCmp({mount.Mounted("a"), mount.Mounted("b")});
    EXPECT_EQ(alone.status, 2);
    EXPECT_EQ(alone.err, mount.Mounted("a") + "/bad: ストリームからの読み込みエラー\n");
    EXPECT_EQ(alone.out, "") << "nothing else differs, yet no verdict";

    // The rest is still compared, and a difference found there is told.
    WriteBytes(mount.Backing("b") + "/good", Pattern(1000, 5));
    const CmpRun withDifference = mvx::test::RunCmp({mount.Mounted("a"), mount.Mounted("b")});
    EXPECT_EQ(withDifference.status, 2);
    EXPECT_EQ(withDifference.out.substr(0, withDifference.out.find('\n')), "differ: byte 6: good");
}
