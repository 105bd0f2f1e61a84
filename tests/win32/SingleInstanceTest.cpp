// One instance: a second start hands the first its two paths (as Explorer's
// Send To starts it), brings it forward and ends; two starts at once leave
// one window; a first instance that does not answer is told of on standard
// error; a stranger's window titled Morvatix is no instance of it.
#include "WindowDriver.h"

#include "check/NoAnswerText.h"
#include "support/ChildProcess.h"
#include "support/TempFiles.h"
#include "win32/Resource.h"
#include "win32/SingleInstance.h"

#include <aclapi.h>
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
}

TEST(SingleInstance, ASecondStartsTwoPathsFillTheFieldsUnlessTheFirstIsChecking)
{
    const TempDir dir;
    WriteSparse(dir.File("big1.bin"), std::int64_t{2} << 30);
    WriteSparse(dir.File("big2.bin"), std::int64_t{2} << 30);
    const std::wstring big1 = Wide(dir.File("big1.bin"));
    const std::wstring big2 = Wide(dir.File("big2.bin"));
    const Morvatix first;
    struct Case {
        const wchar_t *arguments;
        bool checking;
        std::wstring source, target;
    };
    const Case cases[] = {
        // As Send To starts it with two files: quoted, with spaces in a name.
        {LR"("C:\Users\me\My Files\a.txt" "D:\b.txt")", false, LR"(C:\Users\me\My Files\a.txt)",
         LR"(D:\b.txt)"},
        {L"one.txt", false, big1, big2},
        {L"a.txt b.txt c.txt", false, big1, big2},
        {L"a.txt b.txt", true, big1, big2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(c.arguments)));
        SetText(first.Item(IDC_Edit1), big1);
        SetText(first.Item(IDC_Edit2), big2);
        if (c.checking) {
            Click(first.Item(IDC_Button3));
            ASSERT_TRUE(WaitFor([&] { return TextOf(first.Item(IDC_Button3)) == L"ストップ"; }));
        }
        const Morvatix second(c.arguments, BuiltProgram(), false);
        DWORD code = 1;
        ASSERT_TRUE(second.Ended(10s, &code));
        EXPECT_EQ(code, 0U);
        EXPECT_EQ(TextOf(first.Item(IDC_Edit1)), c.source);
        EXPECT_EQ(TextOf(first.Item(IDC_Edit2)), c.target);
        if (c.checking) {
            Click(first.Item(IDC_Button3));
            const HWND box = first.WaitForDialog(L"警告");
            ASSERT_NE(box, nullptr);
            ASSERT_TRUE(Press(box));
            EXPECT_TRUE(WaitFor([&] { return first.IsIdle(); }));
        }
    }
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

// A first instance that runs elevated holds a mutex that a start which is not
// may neither make nor open; closed to everyone, it is such a mutex here. The
// start hands its paths over all the same.
TEST(SingleInstance, AMutexThatCannotBeOpenedStillMeansOneInstance)
{
    const Morvatix first;
    const HANDLE mutex = OpenMutexW(WRITE_DAC, FALSE, win32::SingleInstance::DefaultName().c_str());
    ASSERT_NE(mutex, nullptr);
    ACL closed{};
    InitializeAcl(&closed, sizeof closed, ACL_REVISION);
    const DWORD set = SetSecurityInfo(mutex, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                      &closed, nullptr);
    CloseHandle(mutex);
    ASSERT_EQ(set, static_cast<DWORD>(ERROR_SUCCESS));

    const Morvatix second(L"a.txt b.txt", BuiltProgram(), false);
    DWORD code = 1;
    ASSERT_TRUE(second.Ended(10s, &code));
    EXPECT_EQ(code, 0U);
    EXPECT_EQ(TextOf(first.Item(IDC_Edit1)), L"a.txt");
    EXPECT_EQ(MainWindows().size(), 1U);
}

// Any program may send the window a WM_COPYDATA, with or without data. Wine
// passes none without data on from another process, so it is tried here.
TEST(SingleInstance, ACopyDataMessageWithoutDataHandsOverNothing)
{
    EXPECT_EQ(win32::HandedOverPaths(nullptr), std::nullopt);
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
