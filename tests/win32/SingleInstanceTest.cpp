// One instance: a second start brings the first forward and ends; two starts
// at once leave one window; a first instance that does not answer is told of
// on standard error; a stranger's window titled Morvatix is no instance of it.
#include "WindowDriver.h"

#include "check/NoAnswerText.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

namespace mvx::test {
namespace {

TEST(SingleInstance, ASecondStartRestoresTheFirstAndEndsShowingNothing)
{
    const Morvatix first;
    ShowWindow(first.Main(), SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(first.Main()) != 0; }));

    const Morvatix second(L"a.txt b.txt", BuiltProgram(), false);
    DWORD code = 1;
    ASSERT_TRUE(second.Ended(10s, &code));
    EXPECT_EQ(code, 0U);
    EXPECT_TRUE(WaitFor([&] { return IsIconic(first.Main()) == 0 && IsWindowVisible(first.Main()) != 0; }));
    EXPECT_EQ(MainWindows().size(), 1U);
    // The second start's parameters stay its own.
    EXPECT_EQ(TextOf(first.Item(1002)), L"");
}

TEST(SingleInstance, TwoStartsAtTheSameMomentLeaveOneWindow)
{
    Morvatix one(L"", BuiltProgram(), false);
    Morvatix two(L"", BuiltProgram(), false);
    DWORD code = 1;
    ASSERT_TRUE(WaitFor([&] { return one.Ended(0ms, &code) || two.Ended(0ms, &code); }));
    EXPECT_EQ(code, 0U);
    Morvatix &running = one.Ended(0ms) ? two : one;
    ASSERT_NE(running.WaitForMain(), nullptr);
    EXPECT_EQ(MainWindows().size(), 1U);
}

// A first instance whose window takes no messages (its thread stopped here)
// is still the one instance: a later start gives up after its few seconds,
// says so in one line and fails, without a window of its own.
TEST(SingleInstance, AStartFacingAStoppedFirstSaysSoAndFails)
{
    const Morvatix first;
    const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, first.ThreadId());
    ASSERT_NE(thread, nullptr);
    ASSERT_NE(SuspendThread(thread), static_cast<DWORD>(-1));
    const ChildOutput second = ChildProcess(L"morvatix.exe", L"", {.errorToTest = true}).Finish();
    ResumeThread(thread);
    CloseHandle(thread);
    EXPECT_EQ(second.code, static_cast<unsigned long>(kNoAnswerStatus));
    EXPECT_EQ(second.err, kNoAnswerLine);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(MainWindows().size(), 1U);
}

TEST(SingleInstance, AnotherWindowTitledMorvatixDoesNotStopTheStart)
{
    const HWND stranger = CreateWindowExW(0, L"STATIC", L"Morvatix", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                          200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(stranger, nullptr);
    {
        const Morvatix program;
        EXPECT_NE(program.Main(), nullptr);
        EXPECT_EQ(MainWindows().size(), 1U);
    }
    DestroyWindow(stranger);
}

} // namespace
} // namespace mvx::test
