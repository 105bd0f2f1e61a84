// The main window at 96 DPI, pixel for pixel, its sizing rule, the command
// line and drops from the shell.
#include "WindowDriver.h"

#include "support/TempFiles.h"
#include "win32/Resource.h"

#include <gtest/gtest.h>

namespace mvx::test {
namespace {

TEST(MainWindow, IsLaidOutPixelForPixelAndCentred)
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
    // the window's (FormResize), the rest as the template places them.
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

namespace mvx::test {
namespace {

TEST(MainWindow, KeepsItsHeightAndNeverGetsNarrowerThanLaidOut)
{
    struct Case {
        SIZE asked, kept;
    };
    const Case cases[] = {
        {{600, 300}, {600, 198}},
        {{200, 100}, {350, 198}},
        {{349, 198}, {350, 198}},
        {{420, 198}, {420, 198}},
    };
    const Morvatix program;
    const HWND main = program.Main();
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.asked.cx << " x " << c.asked.cy);
        SetWindowPos(main, nullptr, 0, 0, c.asked.cx, c.asked.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(WaitFor([&] {
            const SIZE now = SizeOf(RectIn(main));
            return now.cx == c.kept.cx && now.cy == c.kept.cy;
        }));
        RECT client{};
        GetClientRect(main, &client);
        // The fields and the bar follow the width; the buttons stay.
        EXPECT_EQ(SizeOf(RectIn(program.Item(IDC_Edit1))).cx, client.right - 84);
        EXPECT_EQ(SizeOf(RectIn(program.Item(IDC_Edit2))).cx, client.right - 84);
        EXPECT_EQ(SizeOf(RectIn(program.Item(IDC_ProgressBar1))).cx, client.right - 21);
        EXPECT_EQ(RectIn(program.Item(IDC_Button3), main).left, 152);
        EXPECT_EQ(RectIn(program.Item(IDC_Button4), main).left, 248);
    }
}

TEST(MainWindow, ExactlyTwoParametersFillTheFields)
{
    struct Case {
        std::wstring arguments, source, target;
    };
    const Case cases[] = {
        {L"", L"", L""},
        {L"one.txt", L"", L""},
        {L"one.txt two.txt", L"one.txt", L"two.txt"},
        {L"\"C:\\比較 元\\a.txt\"  \t \"D:\\테스트\\b.txt\"", L"C:\\比較 元\\a.txt", L"D:\\테스트\\b.txt"},
        {L"a\"b c\"d e", L"ab cd", L"e"},
        {L"one.txt two.txt three.txt", L"", L""},
        {L"one.txt \"two words.txt", L"one.txt", L"two words.txt"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        const Morvatix program(c.arguments);
        EXPECT_EQ(TextOf(program.Item(IDC_Edit1)), c.source);
        EXPECT_EQ(TextOf(program.Item(IDC_Edit2)), c.target);
        // Nothing starts by itself.
        EXPECT_TRUE(program.IsIdle());
        EXPECT_FALSE(program.ShowsDialog(L"警告"));
    }
}

TEST(MainWindow, ADropPutsTheFirstWholeNameIntoTheFieldUnderIt)
{
    const TempDir dir;
    // Far longer than 254 bytes: the whole name arrives.
    std::string longName;
    for (int i = 0; i < 60; ++i)
        longName += "長い名前";
    longName += ".txt";
    for (const std::string &name : {std::string("first.txt"), std::string("second.txt"), longName})
        WriteBytes(dir.File(name), "x");
    const std::wstring first = Wide(dir.File("first.txt"));
    const std::wstring second = Wide(dir.File("second.txt"));
    const std::wstring longPath = Wide(dir.File(longName));
    const std::wstring folder = Wide(Utf8FromPath(dir.Path()));

    const Morvatix program;
    const HWND edit1 = program.Item(IDC_Edit1);
    const HWND edit2 = program.Item(IDC_Edit2);
    struct Case {
        HWND field;
        std::vector<std::wstring> names;
        POINT at;
        std::wstring edit1, edit2;
    };
    const Case cases[] = {
        {edit2, {first, second, longPath}, {5, 5}, L"", first},
        {edit1, {longPath}, {5, 5}, longPath, first},
        {edit1, {folder}, {100, 10}, folder, first},
        // A drop point off the field, over Button1: no field takes it.
        {edit2, {second}, {-30, 5}, folder, first},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.names.front()));
        program.Drop(c.field, c.names, c.at);
        // The drop is handled before the text is read: messages are taken in order.
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(program.Main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
        EXPECT_TRUE(WaitFor([&] { return TextOf(edit1) == c.edit1 && TextOf(edit2) == c.edit2; }))
            << testing::PrintToString(TextOf(edit1)) << " / " << testing::PrintToString(TextOf(edit2));
    }
    // A drop does not move the focus.
    EXPECT_EQ(program.Focus(), program.Item(IDC_Button1));
}

} // namespace
} // namespace mvx::test
