// The Check command's flow, through a front end that writes down what it was
// asked to show, in order.
#include "check/CheckCommand.h"
#include "check/CheckView.h"
#include "compare/CompareError.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

using mvx::CheckCommand;
using mvx::CheckEnd;
using mvx::test::Pattern;
using mvx::test::TempDir;
using mvx::test::WriteBytes;
using Calls = std::vector<std::string>;

namespace {

class RecordingView final : public mvx::CheckView {
public:
    std::string source, target;
    Calls calls;
    bool busy = false;
    std::function<void()> onEvents;
    std::function<void()> onBusy;

    std::string SourcePath() override { return source; }
    std::string TargetPath() override { return target; }
    bool IsBusy() override { return busy; }
    void EnterBusy() override
    {
        busy = true;
        calls.emplace_back("busy");
        if (onBusy)
            onBusy();
    }
    void RestoreIdle() override
    {
        busy = false;
        calls.emplace_back("idle");
    }
    void Warn(const std::string &message) override { calls.push_back("warn " + message); }
    void ShowVerdict(const mvx::ComparisonOutcome &outcome) override
    {
        calls.push_back(std::string("verdict ") + (outcome.SameFile ? "same" : "different") +
                        (outcome.ElapsedSeconds == mvx::kSizeMismatchElapsed ? " 0.0001" : ""));
    }
    void SetRange(int, int) override {}
    void SetPosition(int) override {}
    void ProcessEvents() override
    {
        if (onEvents)
            onEvents();
    }
    void WaitingForDevice(bool) override {}
};

struct Fixture {
    TempDir dir;
    RecordingView view;
    CheckCommand command{view};
    Fixture(const std::string &a, const std::string &b)
    {
        view.source = dir.File("a");
        view.target = dir.File("b");
        WriteBytes(view.source, a);
        WriteBytes(view.target, b);
    }
};

} // namespace

TEST(CheckCommand, EachWayThroughShowsWhatItShouldInOrderAndEndsIdle)
{
    const struct {
        const char *name;
        std::string a, b;
        CheckEnd end;
        Calls calls;
    } cases[] = {
        {"identical",
         Pattern(250000),
         Pattern(250000),
         CheckEnd::Identical,
         {"busy", "verdict same", "idle"}},
        {"different",
         Pattern(250000),
         Pattern(250000, 3),
         CheckEnd::Different,
         {"busy", "verdict different", "idle"}},
        {"sizes differ: at once, never busy",
         Pattern(10),
         Pattern(11),
         CheckEnd::Different,
         {"verdict different 0.0001", "idle"}},
        {"both empty", "", "", CheckEnd::Identical, {"busy", "verdict same", "idle"}},
    };
    for (const auto &c : cases) {
        Fixture f(c.a, c.b);
        EXPECT_EQ(f.command.Button3Click(), c.end) << c.name;
        EXPECT_EQ(f.view.calls, c.calls) << c.name;
        EXPECT_EQ(f.command.Outcome().SameFile, c.end == CheckEnd::Identical) << c.name;
    }
}

TEST(CheckCommand, AProblemWithThePathsIsAWarningAndNothingElse)
{
    Fixture f("1", "2");
    f.view.target = f.view.source;
    EXPECT_EQ(f.command.Button3Click(), CheckEnd::Warned);
    EXPECT_EQ(f.view.calls, Calls{"warn 同一ファイルは選択できません"});
}

TEST(CheckCommand, AClickOnStopEndsTheComparisonWithCancelledAndNoVerdict)
{
    Fixture f(Pattern(1000000), Pattern(1000000));
    ASSERT_EQ(f.command.Button3Click(), CheckEnd::Identical);
    const auto before = f.command.Outcome();
    f.view.calls.clear();
    int blocks = 0;
    f.view.onEvents = [&] {
        if (++blocks == 2) {
            EXPECT_EQ(f.command.Button3Click(), CheckEnd::StopRequested);
        }
    };
    EXPECT_EQ(f.command.Button3Click(), CheckEnd::Stopped);
    EXPECT_EQ(blocks, 2);
    EXPECT_EQ(f.view.calls, (Calls{"busy", "warn キャンセルされました", "idle"}));
    // A stopped check leaves the time of the last one and no identical verdict.
    EXPECT_FALSE(f.command.Outcome().SameFile);
    EXPECT_EQ(f.command.Outcome().ElapsedSeconds, before.ElapsedSeconds);
}

TEST(CheckCommand, AFailureInsideTheComparisonLeavesTheViewIdle)
{
    Fixture f(Pattern(500000), Pattern(500000));
#ifdef _WIN32
    // An open file cannot be renamed on Windows; one that goes away between
    // the size probe and the comparison fails it as well.
    f.view.onBusy = [&] { ASSERT_TRUE(std::filesystem::remove(mvx::test::PathFromUtf8(f.view.target))); };
#else
    // Renamed away, the target's path no longer names the file that was read.
    bool moved = false;
    f.view.onEvents = [&] {
        if (!moved) {
            moved = true;
            ASSERT_EQ(std::rename(f.view.target.c_str(), (f.view.target + ".moved").c_str()), 0);
        }
    };
#endif
    EXPECT_THROW(f.command.Button3Click(), mvx::CompareError);
    EXPECT_EQ(f.view.calls, (Calls{"busy", "idle"}));
    EXPECT_FALSE(f.view.busy);
}
