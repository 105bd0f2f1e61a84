// The main window as the design lays it out, its sizing rule, the command
// line and drops from the shell.
#include "WindowDriver.h"

#include "support/TempFiles.h"
#include "win32/Resource.h"

#include <gtest/gtest.h>

namespace mvx::test {
namespace {

TEST(MainWindow, IsLaidOutAsDesignedAndCentred)
{
    const Morvatix program;
    const HWND main = program.Main();
    EXPECT_EQ(TextOf(main), L"Morvatix");
    const RECT outer = RectIn(main);
    EXPECT_EQ(SizeOf(outer).cx, 350);
    EXPECT_EQ(SizeOf(outer).cy, 198);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 350) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 198) / 2);
    const auto style = GetWindowLongPtrW(main, GWL_STYLE);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    EXPECT_NE(style & WS_THICKFRAME, 0);

    struct Control {
        int id;
        RECT at;
        const wchar_t *caption;
    };
    // Left, top, right, bottom in the client area; the fields' width follows
    // the window's (FormResize), the rest as designed.
    RECT client{};
    GetClientRect(main, &client);
    const Control controls[] = {
        {IDC_Button1, {8, 8, 65, 33}, L"比較元"},
        {IDC_Edit1, {72, 10, client.right - 12, 30}, L""},
        {IDC_Button2, {8, 48, 65, 73}, L"比較先"},
        {IDC_Edit2, {72, 50, client.right - 12, 70}, L""},
        {IDC_Button3, {152, 116, 233, 141}, L"チェック"},
        {IDC_Button4, {248, 116, 329, 141}, L"終　了"},
        {IDC_ProgressBar1, {8, 85, client.right - 13, 102}, L""},
    };
    for (const Control &control : controls) {
        SCOPED_TRACE(control.id);
        const RECT at = RectIn(program.Item(control.id), main);
        EXPECT_EQ(at.left, control.at.left);
        EXPECT_EQ(at.top, control.at.top);
        EXPECT_EQ(at.right, control.at.right);
        EXPECT_EQ(at.bottom, control.at.bottom);
        EXPECT_EQ(TextOf(program.Item(control.id)), control.caption);
    }
    // The first control in tab order has the focus.
    EXPECT_EQ(program.Focus(), program.Item(IDC_Button1));
}

} // namespace
} // namespace mvx::test
