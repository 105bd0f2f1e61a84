// The Check command's flow, through a front end that writes down what it was
// asked to show, in order.
#include "check/CheckCommand.h"
#include "check/CheckView.h"
#include "compare/FileFailure.h"
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
    void Progress(std::int64_t, std::int64_t) override {}
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

TEST(CheckCommand, AProblemWithThePathsIsOneWarningAndNothingElseInTheOrderTheUserIsToldOfThem)
{
    Fixture f("1", "2");
    const std::string a = f.view.source;
    const std::string b = f.view.target;
    const std::string folder = f.dir.File("folder");
    ASSERT_TRUE(std::filesystem::create_directory(mvx::test::PathFromUtf8(folder)));
    const std::string missing = f.dir.File("missing");

    const struct {
        std::string source, target;
        std::string warning;
        bool lookedUp; // the view is made idle again after a look-up
    } cases[] = {
        {"", "", "比較元が空白です", false},
        {"", b, "比較元が空白です", false},
        {a, "", "比較先が空白です", false},
        {missing, missing, "同一ファイルは選択できません", false},
        {a, a, "同一ファイルは選択できません", false},
        {missing, b, "比較元ファイルが存在しません", true},
        {folder, b, "比較元ファイルが存在しません", true},
        {missing, folder, "比較元ファイルが存在しません", true},
        {a, missing, "比較先ファイルが存在しません", true},
        {a, folder, "比較先ファイルが存在しません", true},
    };
    for (const auto &c : cases) {
        f.view.calls.clear();
        f.view.source = c.source;
        f.view.target = c.target;
        EXPECT_EQ(f.command.Button3Click(), CheckEnd::Warned) << c.source << " / " << c.target;
        Calls expected{"warn " + c.warning};
        if (c.lookedUp)
            expected.emplace_back("idle");
        EXPECT_EQ(f.view.calls, expected) << c.source << " / " << c.target;
    }
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

    // The stop is the last check's: it stops nothing of the next.
    ASSERT_EQ(mvx::CancelRequested, 1);
    f.view.onEvents = nullptr;
    EXPECT_EQ(f.command.Button3Click(), CheckEnd::Identical);
}

// Windows keeps an open file from being renamed, removed or written, so that
// nothing from outside can fail a comparison there.
#ifndef _WIN32
TEST(CheckCommand, AFailureInsideTheComparisonLeavesTheViewIdle)
{
    Fixture f(Pattern(500000), Pattern(500000));
    // Renamed away, the target's path no longer names the file that was read.
    bool moved = false;
    f.view.onEvents = [&] {
        if (!moved) {
            moved = true;
            ASSERT_EQ(std::rename(f.view.target.c_str(), (f.view.target + ".moved").c_str()), 0);
        }
    };
    EXPECT_THROW(f.command.Button3Click(), mvx::FileError);
    EXPECT_EQ(f.view.calls, (Calls{"busy", "idle"}));
    EXPECT_FALSE(f.view.busy);
}
#endif
