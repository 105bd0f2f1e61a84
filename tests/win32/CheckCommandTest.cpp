// The Check command through the real window: the warnings in their order,
// both verdicts, Stop, a close during a comparison and the Error box.
#include "WindowDriver.h"

#include "support/TempFiles.h"
#include "win32/Resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <oleacc.h>
#include <regex>

namespace mvx::test {
namespace {

// A sparse pair large enough that a comparison is still running when the
// test has seen the Stop caption; a stop ends it within a block.
constexpr std::int64_t kLongPairSize = std::int64_t{2} << 30;

std::wstring Path(const TempDir &dir, const std::string &name)
{
    return Wide(dir.File(name));
}

// Presses Check and returns the box or window of that caption.
HWND Check(const Morvatix &program, const std::wstring &source, const std::wstring &target,
           const std::wstring &caption)
{
    SetText(program.Item(IDC_Edit1), source);
    SetText(program.Item(IDC_Edit2), target);
    Click(program.Item(IDC_Button3));
    return program.WaitForDialog(caption);
}

TEST(CheckCommand, WarnsOfTheFirstProblemEmptySameThenMissing)
{
    const TempDir dir;
    WriteBytes(dir.File("a.bin"), "a");
    WriteBytes(dir.File("b.bin"), "b");
    const std::wstring a = Path(dir, "a.bin");
    const std::wstring b = Path(dir, "b.bin");
    const std::wstring missing = Path(dir, "missing.bin");
    const std::wstring folder = Wide(Utf8FromPath(dir.Path()));
    struct Case {
        std::wstring source, target, message;
    };
    const Case cases[] = {
        {L"", L"", L"比較元が空白です"},
        {a, L"", L"比較先が空白です"},
        {missing, missing, L"同一ファイルは選択できません"},
        {missing, b, L"比較元ファイルが存在しません"},
        {folder, b, L"比較元ファイルが存在しません"},
        {a, missing, L"比較先ファイルが存在しません"},
        {a, folder, L"比較先ファイルが存在しません"},
    };
    const Morvatix program;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "message " << testing::PrintToString(c.message));
        const HWND box = Check(program, c.source, c.target, L"警告");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(BoxText(box), c.message);
        // Modal: the main window takes no input meanwhile.
        EXPECT_EQ(IsWindowEnabled(program.Main()), FALSE);
        ASSERT_TRUE(Press(box));
        EXPECT_TRUE(WaitFor([&] { return program.IsIdle(); }));
        EXPECT_FALSE(program.ShowsDialog(L"判定結果"));
    }
}

// A control's name as a screen reader asks for it; "(none)" when it cannot.
std::wstring AccessibleName(HWND control)
{
    // The accessible objects are COM's.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible *object = nullptr;
    const HRESULT found = AccessibleObjectFromWindow(
        control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible), reinterpret_cast<void **>(&object));
    if (FAILED(found)) {
        if (SUCCEEDED(com))
            CoUninitialize();
        return L"(none)";
    }
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::wstring read;
    if (object->get_accName(self, &name) == S_OK && name != nullptr)
        read = name;
    SysFreeString(name);
    object->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return read;
}

// The mark, read off the screen: the circle's ring crosses the top of the
// square's middle column, the cross passes through its centre.
COLORREF ScreenPixel(HWND window, int x, int y)
{
    const RECT at = RectIn(window);
    const HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, at.left + x, at.top + y);
    ReleaseDC(nullptr, screen);
    return colour;
}

TEST(CheckCommand, ShowsEachVerdictWithItsMarkAndTime)
{
    const TempDir dir;
    WriteBytes(dir.File("same1.bin"), Pattern(250000));
    WriteBytes(dir.File("same2.bin"), Pattern(250000));
    WriteBytes(dir.File("other.bin"), Pattern(250000, 249999));
    WriteBytes(dir.File("short.bin"), Pattern(249999));
    WriteBytes(dir.File("empty1.bin"), "");
    WriteBytes(dir.File("empty2.bin"), "");
    struct Case {
        const char *source, *target;
        bool same;
        // The time line's number: a whole count of milliseconds, or the size
        // mismatch's 0.0001.
        const wchar_t *time;
    };
    const Case cases[] = {
        {"same1.bin", "same2.bin", true, LR"(\d+(\.\d{1,3})?)"},
        {"same1.bin", "other.bin", false, LR"(\d+(\.\d{1,3})?)"},
        {"same1.bin", "short.bin", false, LR"(0\.0001)"},
        {"empty1.bin", "empty2.bin", true, LR"(\d+(\.\d{1,3})?)"},
    };
    const Morvatix program;
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.source << " " << c.target);
        const HWND verdict = Check(program, Path(dir, c.source), Path(dir, c.target), L"判定結果");
        ASSERT_NE(verdict, nullptr);
        const std::wstring first = c.same ? L"     同一のファイルです" : L"     異なるファイルです";
        const std::wregex lines(first + L"\r\n     処理時間　" + c.time + L" 秒");
        const std::wstring memo = TextOf(GetDlgItem(verdict, IDC_Memo1));
        EXPECT_TRUE(std::regex_match(memo, lines)) << testing::PrintToString(memo);
        EXPECT_EQ(program.Focus(), GetDlgItem(verdict, IDC_ButOk));
        // What a screen reader names: the mark by its verdict, as the window opens.
        EXPECT_EQ(AccessibleName(GetDlgItem(verdict, IDC_Image1)), first.substr(5));
        EXPECT_EQ(AccessibleName(GetDlgItem(verdict, IDC_ButOk)), L"OK");

        const HWND image = GetDlgItem(verdict, IDC_Image1);
        const COLORREF red = RGB(255, 0, 0);
        const COLORREF white = RGB(255, 255, 255);
        EXPECT_TRUE(WaitFor([&] { return ScreenPixel(image, 40, 40) == (c.same ? white : red); }));
        EXPECT_EQ(ScreenPixel(image, 40, 6), c.same ? red : white);
        EXPECT_EQ(ScreenPixel(image, 0, 0), RGB(0, 0, 0));
        EXPECT_EQ(ScreenPixel(image, 40, 20), white);

        ASSERT_TRUE(Press(verdict));
        EXPECT_TRUE(WaitFor([&] { return program.IsIdle(); }));
    }
}

TEST(CheckCommand, StopEndsTheComparisonWithoutAVerdict)
{
    const TempDir dir;
    WriteSparse(dir.File("big1.bin"), kLongPairSize);
    WriteSparse(dir.File("big2.bin"), kLongPairSize);
    const Morvatix program;
    SetText(program.Item(IDC_Edit1), Path(dir, "big1.bin"));
    SetText(program.Item(IDC_Edit2), Path(dir, "big2.bin"));
    Click(program.Item(IDC_Button3));
    ASSERT_TRUE(WaitFor([&] { return TextOf(program.Item(IDC_Button3)) == L"ストップ"; }));
    // Busy: only Stop and the fields answer.
    EXPECT_EQ(IsWindowEnabled(program.Item(IDC_Button1)), FALSE);
    EXPECT_EQ(IsWindowEnabled(program.Item(IDC_Button2)), FALSE);
    EXPECT_EQ(IsWindowEnabled(program.Item(IDC_Button4)), FALSE);
    EXPECT_NE(IsWindowEnabled(program.Item(IDC_Edit1)), FALSE);
    // A menu command asked for while it is disabled does nothing.
    PostMessageW(program.Main(), WM_COMMAND, MAKEWPARAM(IDM_MenuVer, 0), 0);

    Click(program.Item(IDC_Button3));
    const HWND box = program.WaitForDialog(L"警告");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box), L"キャンセルされました");
    ASSERT_TRUE(Press(box));
    EXPECT_TRUE(WaitFor([&] { return program.IsIdle(); }));
    EXPECT_FALSE(program.ShowsDialog(L"判定結果"));
    EXPECT_FALSE(program.ShowsDialog(L"バージョン情報"));
}

TEST(CheckCommand, CloseDuringAComparisonStopsItAndEnds)
{
    const TempDir dir;
    WriteSparse(dir.File("big1.bin"), kLongPairSize);
    WriteSparse(dir.File("big2.bin"), kLongPairSize);
    const Morvatix program;
    SetText(program.Item(IDC_Edit1), Path(dir, "big1.bin"));
    SetText(program.Item(IDC_Edit2), Path(dir, "big2.bin"));
    Click(program.Item(IDC_Button3));
    ASSERT_TRUE(WaitFor([&] { return TextOf(program.Item(IDC_Button3)) == L"ストップ"; }));
    PostMessageW(program.Main(), WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(program.Ended(10s, &code));
    EXPECT_EQ(code, 0U);
}

TEST(CheckCommand, AFileThatCannotBeOpenedGoesToTheErrorBoxWithItsPeriod)
{
    const TempDir dir;
    WriteBytes(dir.File("held.bin"), "held");
    WriteBytes(dir.File("free.bin"), "free");
    const std::wstring held = Path(dir, "held.bin");
    // Held open for writing: Morvatix shuts writers out, so it cannot open it.
    const HANDLE writer = CreateFileW(held.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    const Morvatix program;
    const HWND box = Check(program, held, Path(dir, "free.bin"), L"Morvatix");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box), L"ファイル " + held + L" は開けません.");
    ASSERT_TRUE(Press(box));
    EXPECT_TRUE(WaitFor([&] { return program.IsIdle(); }));
    CloseHandle(writer);
    // And the window goes on working.
    const HWND verdict = Check(program, Path(dir, "free.bin"), held, L"判定結果");
    ASSERT_NE(verdict, nullptr);
    EXPECT_TRUE(Press(verdict));
}

} // namespace
} // namespace mvx::test
