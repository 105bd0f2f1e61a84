// The main window's rules that no toolkit decides, through a window that
// writes down what it was asked to draw, over real files and the real Check
// command.
#include "check/MainWindowRules.h"
#include "check/SizeRule.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

using mvx::PathField;
using mvx::test::Pattern;
using mvx::test::TempDir;
using mvx::test::WriteBytes;
using Calls = std::vector<std::string>;

namespace {

// The task bar's showing and hiding, and the windows that open meanwhile.
struct TaskBarRecorder final : mvx::TaskBarEntry {
    Calls seen;
    void Show(const mvx::TaskBarState &state) override
    {
        const char *now = state.visible ? "shown" : "hidden";
        if (seen.empty() || seen.back() != now)
            seen.emplace_back(now);
    }
};

class TestWindow final : public mvx::MainWindowRules {
public:
    TestWindow() { AttachTaskBar(&taskBar); }

    std::string caption = "チェック";
    TaskBarRecorder taskBar;
    std::string source, target;
    Calls calls;
    std::function<void()> onEvents;
    // The name the user confirms in the file dialog; nothing: cancelled.
    std::optional<std::string> chosen;

    // What the close box, the system menu and Exit ask.
    bool Close() { return MayClose(); }
    [[nodiscard]] bool Called(const std::string &call) const
    {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

    void SetCommandsEnabled(bool enabled) override
    {
        calls.emplace_back(enabled ? "commands on" : "commands off");
    }

private:
    std::string SourcePath() override { return source; }
    std::string TargetPath() override { return target; }
    void OpenVerdictWindow(const mvx::ComparisonOutcome &outcome) override
    {
        calls.emplace_back(outcome.SameFile ? "verdict same" : "verdict different");
        taskBar.seen.emplace_back("verdict");
    }
    void DrawProgress(std::int64_t, std::int64_t) override {}
    void ProcessEvents() override
    {
        if (onEvents)
            onEvents();
    }
    void DrawWaiting(bool) override {}
    std::string CheckCaption() override { return caption; }
    void SetCheckCaption(const std::string &text) override
    {
        caption = text;
        calls.push_back("caption " + text);
    }
    void SetExitEnabled(bool enabled) override { calls.emplace_back(enabled ? "exit on" : "exit off"); }
    void ResetBar() override { calls.emplace_back("bar 0"); }
    void CloseLater() override { calls.emplace_back("close later"); }
    void ShowWarning(const std::string &message) override
    {
        calls.push_back("warn " + message);
        taskBar.seen.emplace_back("warning");
    }
    void ChooseFile(PathField field) override
    {
        calls.emplace_back(field == PathField::Source ? "dialog for the source" : "dialog for the target");
        if (chosen)
            (field == PathField::Source ? source : target) = *chosen;
    }
    void FocusCheck() override { calls.emplace_back("focus Check"); }
};

struct Fixture {
    TempDir dir;
    TestWindow window;
    Fixture(const std::string &a, const std::string &b)
    {
        window.source = dir.File("a");
        window.target = dir.File("b");
        WriteBytes(window.source, a);
        WriteBytes(window.target, b);
    }
};

const Calls kBusy{"commands off", "caption ストップ", "exit off"};
const Calls kIdle{"commands on", "caption チェック", "exit on", "bar 0"};

Calls Then(Calls first, const Calls &second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

} // namespace

TEST(MainWindowRules, ACheckMakesTheWindowBusyWhileItReadsAndIdleAfterTheVerdict)
{
    Fixture f(Pattern(300000), Pattern(300000));
    bool busyWhileReading = true;
    f.window.onEvents = [&] { busyWhileReading = busyWhileReading && f.window.IsBusy(); };
    f.window.Button3Click();
    EXPECT_TRUE(busyWhileReading);
    EXPECT_EQ(f.window.calls, Then(kBusy, Then({"verdict same"}, kIdle)));
    EXPECT_FALSE(f.window.IsBusy());
    EXPECT_TRUE(f.window.Outcome().SameFile);

    // Sizes that differ are answered at once: never busy, idle after the verdict.
    Fixture mismatch(Pattern(10), Pattern(11));
    mismatch.window.Button3Click();
    EXPECT_FALSE(mismatch.window.Called("caption ストップ"));
    EXPECT_EQ(mismatch.window.calls.front(), "verdict different");
    EXPECT_EQ(mismatch.window.calls.back(), "bar 0");
    EXPECT_EQ(mismatch.window.caption, "チェック");
}

TEST(MainWindowRules, TheCheckButtonsCaptionIsTheMode)
{
    // Reading Stop, a click only asks the running comparison to stop, even
    // with nothing in the fields.
    TestWindow window;
    window.caption = "ストップ";
    mvx::CancelRequested = 0;
    EXPECT_TRUE(window.IsBusy());
    window.Button3Click();
    EXPECT_EQ(mvx::CancelRequested, 1);
    EXPECT_TRUE(window.calls.empty());

    // Any other caption is Check.
    for (const char *caption : {"チェック", "ストップ ", "Stop"}) {
        TestWindow idle;
        idle.caption = caption;
        EXPECT_FALSE(idle.IsBusy()) << caption;
        idle.Button3Click();
        EXPECT_EQ(idle.calls, Calls{"warn 比較元が空白です"}) << caption;
    }
}

TEST(MainWindowRules, ACloseDuringAComparisonStopsItSilentlyAndClosesOnceIdle)
{
    Fixture f(Pattern(1000000), Pattern(1000000));
    EXPECT_TRUE(f.window.Close()) << "idle, it closes at once";
    EXPECT_TRUE(f.window.calls.empty());
    int blocks = 0;
    f.window.onEvents = [&] {
        if (++blocks == 2) {
            EXPECT_FALSE(f.window.Close()) << "the comparison is still on the stack";
            EXPECT_EQ(mvx::CancelRequested, 1);
        }
    };
    f.window.Button3Click();
    EXPECT_EQ(blocks, 2);
    // No word of the stop the close asked for, and no verdict.
    EXPECT_EQ(f.window.calls, Then(kBusy, Then(kIdle, {"close later"})));
    EXPECT_FALSE(f.window.Called("warn キャンセルされました"));
    // The close that was put off now closes.
    EXPECT_TRUE(f.window.Close());

    // Once closed, the window warns again should it be used.
    f.window.calls.clear();
    f.window.target = f.window.source;
    f.window.Button3Click();
    EXPECT_EQ(f.window.calls, Calls{"warn 同一ファイルは選択できません"});
}

TEST(MainWindowRules, TheTaskBarShowsNothingOfAComparisonOnceItHasEndedHoweverItEnded)
{
    const struct {
        const char *name;
        // What happens at the comparison's second block, once the task bar
        // shows it waiting for the device.
        std::function<void(TestWindow &)> then;
        Calls seen;
    } cases[] = {
        {"verdict", [](TestWindow &) {}, {"shown", "hidden", "verdict"}},
        {"Stop", [](TestWindow &window) { window.Button3Click(); }, {"shown", "hidden", "warning"}},
        {"failure",
         [](TestWindow &) {
             throw mvx::FileError({"b", mvx::FileStep::Read, 5});
         },
         {"shown", "hidden"}},
        {"close", [](TestWindow &window) { EXPECT_FALSE(window.Close()); }, {"shown", "hidden"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f(Pattern(1000000), Pattern(1000000));
        int blocks = 0;
        f.window.onEvents = [&] {
            if (++blocks == 2) {
                mvx::CompareProgress &progress = f.window;
                progress.WaitingForDevice(true);
                progress.WaitingForDevice(false);
                c.then(f.window);
            }
        };
        try {
            f.window.Button3Click();
        } catch (const mvx::FileError &) {
        }
        EXPECT_EQ(f.window.taskBar.seen, c.seen);
        EXPECT_FALSE(f.window.IsBusy());
    }
}

TEST(MainWindowRules, AfterBrowsingTheFocusGoesToCheckWhenBothFieldsHoldText)
{
    const struct {
        const char *name;
        bool target; // Button2 rather than Button1
        std::string source, other;
        std::optional<std::string> chosen;
        bool focus;
    } cases[] = {
        {"source chosen, target there", false, "", "b", "a", true},
        {"source chosen, no target", false, "", "", "a", false},
        {"cancelled, both there", false, "a", "b", std::nullopt, true},
        {"cancelled, no target", false, "a", "", std::nullopt, false},
        {"target chosen, source there", true, "a", "", "b", true},
        {"target chosen, no source", true, "", "", "b", false},
    };
    for (const auto &c : cases) {
        TestWindow window;
        window.source = c.source;
        window.target = c.other;
        window.chosen = c.chosen;
        if (c.target)
            window.Button2Click();
        else
            window.Button1Click();
        const std::string dialog = c.target ? "dialog for the target" : "dialog for the source";
        EXPECT_EQ(window.calls, (c.focus ? Calls{dialog, "focus Check"} : Calls{dialog})) << c.name;
    }
}

TEST(SizeRule, KeepsTheHeightAndTheMinimumWidthAndTheLayoutsMargins)
{
    // The main window's layout: 342 wide, fields of 258 and a bar of 321.
    const mvx::SizeRule rule({342, 167}, 342, 258, 321);
    const struct {
        mvx::PixelSize asked;
        std::optional<mvx::PixelSize> corrected;
    } cases[] = {
        {{200, 167}, mvx::PixelSize{342, 167}},
        {{342, 400}, mvx::PixelSize{342, 167}},
        {{342, 60}, mvx::PixelSize{342, 167}},
        {{800, 500}, mvx::PixelSize{800, 167}},
        {{342, 167}, std::nullopt},
        {{600, 167}, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(rule.Corrected(c.asked), c.corrected) << c.asked.width << " x " << c.asked.height;
    EXPECT_EQ(rule.FieldWidth(342), 258);
    EXPECT_EQ(rule.FieldWidth(600), 600 - 84);
    EXPECT_EQ(rule.BarWidth(600), 600 - 21);

    // The margins are the layout's, measured against its client width.
    const mvx::SizeRule framed({350, 198}, 340, 258, 321);
    EXPECT_EQ(framed.FieldWidth(340), 258);
    EXPECT_EQ(framed.BarWidth(500), 500 - 19);
}
