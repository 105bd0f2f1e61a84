// Every window at the DPI of the screen it is on: the layouts' pixels at 96
// DPI scaled as the dialog manager rounds, the frame and menu bar the
// system's at that DPI, every button inside its window and shown, the mark
// drawn at the scaled size; and a window told of another DPI lays itself out
// anew there. Run at 96, 144 and 192 DPI, the prefix's screen set to each.
#include "WindowDriver.h"

#include "support/TempFiles.h"
#include "win32/Resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace mvx::test {
namespace {

// Each case runs on a screen of the DPI its run was given (96 unless
// MVX_SCREEN_DPI says another), and not on whatever screen it finds: a
// prefix whose LogPixels was not set would pass every case at 96.
class ScaledLayout : public testing::Test {
protected:
    void SetUp() override
    {
        const char *asked = std::getenv("MVX_SCREEN_DPI");
        dpi = asked != nullptr ? std::atoi(asked) : 96;
        ASSERT_EQ(ScreenDpi(), dpi) << "the Wine prefix's screen is not at " << dpi
                                    << " DPI: tests/win32/at-screen-dpi.sh sets its LogPixels "
                                       "(HKCU\\Control Panel\\Desktop)";
    }
    int dpi = 96;
};

// A layout's box at 96 DPI: left, top, width, height.
struct Box {
    int id;
    int left, top, width, height;
};

int Scaled(int pixels, int dpi)
{
    return MulDiv(pixels, dpi, 96);
}

RECT Scaled(const Box &box, int dpi)
{
    const int left = Scaled(box.left, dpi);
    const int top = Scaled(box.top, dpi);
    return {left, top, left + Scaled(box.width, dpi), top + Scaled(box.height, dpi)};
}

// What the frame, caption and menu bar add to a client area at dpi.
SIZE Frame(HWND window, bool menu, int dpi)
{
    RECT outer{};
    AdjustWindowRectExForDpi(&outer, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)),
                             menu ? TRUE : FALSE, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)),
                             static_cast<UINT>(dpi));
    return SizeOf(outer);
}

SIZE ClientSize(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

void ExpectRect(const RECT &at, const RECT &expected)
{
    EXPECT_EQ(at.left, expected.left);
    EXPECT_EQ(at.top, expected.top);
    EXPECT_EQ(at.right, expected.right);
    EXPECT_EQ(at.bottom, expected.bottom);
}

void ExpectAt(HWND window, const Box &box, int dpi)
{
    SCOPED_TRACE(testing::Message() << "control " << box.id << " at " << dpi << " DPI");
    ExpectRect(RectIn(GetDlgItem(window, box.id), window), Scaled(box, dpi));
}

// Shown, and whole inside the window's client area.
void ExpectShownWhole(HWND control, HWND window)
{
    ASSERT_NE(control, nullptr);
    SCOPED_TRACE(testing::PrintToString(TextOf(control)));
    EXPECT_NE(IsWindowVisible(control), FALSE);
    const RECT at = RectIn(control, window);
    const SIZE client = ClientSize(window);
    EXPECT_GE(at.left, 0);
    EXPECT_GE(at.top, 0);
    EXPECT_LE(at.right, client.cx);
    EXPECT_LE(at.bottom, client.cy);
    EXPECT_GT(at.right, at.left);
    EXPECT_GT(at.bottom, at.top);
}

void ExpectCentred(HWND window)
{
    const RECT outer = RectIn(window);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - SizeOf(outer).cx) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - SizeOf(outer).cy) / 2);
}

// The windows' font, "ＭＳ Ｐゴシック" of that many pixels at 96 DPI, made
// here at dpi as the program makes it, to measure texts in.
class LayoutFont {
public:
    LayoutFont(int pixels, int dpi)
        : font_(CreateFontW(-Scaled(pixels, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                            0, 0, 0, 0, L"ＭＳ Ｐゴシック")),
          dc_(CreateCompatibleDC(nullptr)), previous_(SelectObject(dc_, font_))
    {}
    ~LayoutFont()
    {
        SelectObject(dc_, previous_);
        DeleteDC(dc_);
        DeleteObject(font_);
    }
    LayoutFont(const LayoutFont &) = delete;
    LayoutFont &operator=(const LayoutFont &) = delete;

    [[nodiscard]] SIZE Extent(const std::wstring &text) const
    {
        RECT bounds{};
        DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &bounds,
                  DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
        return SizeOf(bounds);
    }
    [[nodiscard]] int LineHeight() const
    {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc_, &metrics);
        return metrics.tmHeight;
    }

private:
    HFONT font_;
    HDC dc_;
    HGDIOBJ previous_;
};

// A button whose caption, in the windows' font at dpi, fits inside it.
void ExpectCaptionFits(HWND button, int dpi)
{
    const LayoutFont font(12, dpi);
    const SIZE text = font.Extent(TextOf(button));
    const SIZE size = SizeOf(RectIn(button));
    SCOPED_TRACE(testing::PrintToString(TextOf(button)));
    EXPECT_LT(text.cx, size.cx);
    EXPECT_LT(text.cy, size.cy);
}

// Where the field draws a character, in its client area.
POINT CharacterAt(HWND field, int index)
{
    DWORD_PTR at = 0;
    SendMessageTimeoutW(field, EM_POSFROMCHAR, static_cast<WPARAM>(index), 0, SMTO_ABORTIFHUNG, 5000, &at);
    return {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
}

// A path field shows its text in the windows' font at dpi: a character as
// wide as it is there.
void ExpectFieldFont(HWND field, int dpi)
{
    const std::wstring before = TextOf(field);
    SetText(field, L"比較");
    EXPECT_EQ(CharacterAt(field, 1).x - CharacterAt(field, 0).x, LayoutFont(12, dpi).Extent(L"比").cx)
        << "at " << dpi << " DPI";
    SetText(field, before);
}

// The verdict's two lines are as far apart as the lines of its own font, 16
// pixels at 96 DPI, are at dpi.
void ExpectMemoFont(HWND memo, int dpi)
{
    DWORD_PTR second = 0;
    SendMessageTimeoutW(memo, EM_LINEINDEX, 1, 0, SMTO_ABORTIFHUNG, 5000, &second);
    EXPECT_EQ(CharacterAt(memo, static_cast<int>(second)).y - CharacterAt(memo, 0).y,
              LayoutFont(16, dpi).LineHeight())
        << "at " << dpi << " DPI";
}

// The main window's layout at 96 DPI: its outer size, and its controls.
constexpr SIZE kMainOuter{350, 198};
const Box kMainControls[] = {
    {IDC_Button1, 8, 8, 57, 25},        {IDC_Edit1, 72, 10, 258, 20},    {IDC_Button2, 8, 48, 57, 25},
    {IDC_Edit2, 72, 50, 258, 20},       {IDC_Button3, 152, 116, 81, 25}, {IDC_Button4, 248, 116, 81, 25},
    {IDC_ProgressBar1, 8, 85, 321, 17},
};
const int kMainButtons[] = {IDC_Button1, IDC_Button2, IDC_Button3, IDC_Button4};

// The main window's controls as laid out at dpi, in a window widened by
// that many pixels: the fields and the bar grow by as much, the rest stays.
void ExpectMainLaidOut(HWND main, int dpi, int widened)
{
    for (const Box &box : kMainControls) {
        SCOPED_TRACE(testing::Message() << "control " << box.id << " at " << dpi << " DPI");
        RECT expected = Scaled(box, dpi);
        if (box.id == IDC_Edit1 || box.id == IDC_Edit2 || box.id == IDC_ProgressBar1)
            expected.right += widened;
        ExpectRect(RectIn(GetDlgItem(main, box.id), main), expected);
    }
}

TEST_F(ScaledLayout, TheMainWindowIsItsLayoutScaledWithEveryButtonShown)
{
    const Morvatix program;
    const HWND main = program.Main();
    // What the frame and the menu bar leave of the outer size at 96 DPI is
    // what scales; the frame is the system's at each DPI.
    const SIZE frame96 = Frame(main, true, 96);
    const SIZE client{Scaled(kMainOuter.cx - frame96.cx, dpi), Scaled(kMainOuter.cy - frame96.cy, dpi)};
    const SIZE frame = Frame(main, true, dpi);
    const SIZE laidOut{client.cx + frame.cx, client.cy + frame.cy};
    EXPECT_EQ(SizeOf(RectIn(main)).cx, laidOut.cx);
    EXPECT_EQ(SizeOf(RectIn(main)).cy, laidOut.cy);
    EXPECT_EQ(ClientSize(main).cx, client.cx);
    EXPECT_EQ(ClientSize(main).cy, client.cy);
    ExpectCentred(main);
    ExpectMainLaidOut(main, dpi, 0);
    for (const int id : kMainButtons) {
        ExpectShownWhole(program.Item(id), main);
        ExpectCaptionFits(program.Item(id), dpi);
    }
    ExpectFieldFont(program.Item(IDC_Edit1), dpi);
    EXPECT_TRUE(SavePicture(main, L"main"));

    // The sizing rule holds at this DPI: the height stays, the width never
    // gets less, the fields and the bar follow it.
    struct Case {
        SIZE asked, kept;
    };
    const Case cases[] = {
        {{laidOut.cx + Scaled(100, dpi), laidOut.cy + 40}, {laidOut.cx + Scaled(100, dpi), laidOut.cy}},
        {{laidOut.cx - 1, laidOut.cy}, laidOut},
        {{100, 100}, laidOut},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.asked.cx << " x " << c.asked.cy);
        SetWindowPos(main, nullptr, 0, 0, c.asked.cx, c.asked.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(WaitFor([&] {
            const SIZE now = SizeOf(RectIn(main));
            return now.cx == c.kept.cx && now.cy == c.kept.cy;
        }));
        ExpectMainLaidOut(main, dpi, c.kept.cx - laidOut.cx);
    }
}

// The mark's pixels, read off the screen, at dpi: the frame's corners, the
// middle of the square, the top of the circle's ring, a point between.
COLORREF MarkPixel(HWND image, int x, int y)
{
    const RECT at = RectIn(image);
    const HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, at.left + x, at.top + y);
    ReleaseDC(nullptr, screen);
    return colour;
}

void ExpectMark(HWND image, bool same, int dpi)
{
    SCOPED_TRACE(testing::Message() << (same ? "circle" : "cross") << " at " << dpi << " DPI");
    const COLORREF black = RGB(0, 0, 0);
    const COLORREF red = RGB(255, 0, 0);
    const COLORREF white = RGB(255, 255, 255);
    const int size = Scaled(80, dpi);
    struct Probe {
        int x, y;
        COLORREF colour;
    };
    std::vector<Probe> probes = {
        {Scaled(40, dpi), Scaled(40, dpi), same ? white : red},
        {Scaled(40, dpi), Scaled(6, dpi), same ? red : white},
        {Scaled(40, dpi), Scaled(20, dpi), white},
        {Scaled(1, dpi), Scaled(20, dpi), white},
    };
    // The frame, as wide as its pen, inside the square on every side.
    for (const int edge : {0, Scaled(1, dpi) - 1, size - Scaled(1, dpi), size - 1}) {
        probes.push_back({edge, Scaled(20, dpi), black});
        probes.push_back({Scaled(20, dpi), edge, black});
    }
    // Read once the whole mark shows: the screen may still be taking it.
    WaitFor([&] {
        return std::all_of(probes.begin(), probes.end(),
                           [&](const Probe &p) { return MarkPixel(image, p.x, p.y) == p.colour; });
    });
    for (const Probe &p : probes)
        EXPECT_EQ(MarkPixel(image, p.x, p.y), p.colour) << p.x << ", " << p.y;
}

const Box kVerdictControls[] = {
    {IDC_Image1, 67, 8, 80, 80},
    {IDC_Memo1, 15, 100, 185, 41},
    {IDC_ButOk, 55, 152, 105, 25},
};

TEST_F(ScaledLayout, TheVerdictWindowDrawsItsMarkAtTheScaledSize)
{
    const TempDir dir;
    WriteBytes(dir.File("one.bin"), "same");
    WriteBytes(dir.File("two.bin"), "same");
    WriteBytes(dir.File("other.bin"), "else");
    const Morvatix program;
    for (const bool same : {true, false}) {
        SetText(program.Item(IDC_Edit1), Wide(dir.File("one.bin")));
        SetText(program.Item(IDC_Edit2), Wide(dir.File(same ? "two.bin" : "other.bin")));
        Click(program.Item(IDC_Button3));
        const HWND verdict = program.WaitForDialog(L"判定結果");
        ASSERT_NE(verdict, nullptr);
        EXPECT_EQ(ClientSize(verdict).cx, Scaled(215, dpi));
        EXPECT_EQ(ClientSize(verdict).cy, Scaled(189, dpi));
        ExpectCentred(verdict);
        for (const Box &box : kVerdictControls)
            ExpectAt(verdict, box, dpi);
        ExpectShownWhole(GetDlgItem(verdict, IDC_ButOk), verdict);
        ExpectCaptionFits(GetDlgItem(verdict, IDC_ButOk), dpi);
        ExpectMemoFont(GetDlgItem(verdict, IDC_Memo1), dpi);
        ExpectMark(GetDlgItem(verdict, IDC_Image1), same, dpi);
        EXPECT_TRUE(SavePicture(verdict, same ? L"verdict-same" : L"verdict-different"));
        ASSERT_TRUE(Press(verdict));
        EXPECT_TRUE(WaitFor([&] { return program.IsIdle(); }));
    }
}

TEST_F(ScaledLayout, TheVersionWindowShowsEveryTextWholeAndItsOk)
{
    const Morvatix program;
    PostMessageW(program.Main(), WM_COMMAND, MAKEWPARAM(IDM_MenuVer, 0), 0);
    const HWND window = program.WaitForDialog(L"バージョン情報");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ClientSize(window).cx, Scaled(255, dpi));
    EXPECT_EQ(ClientSize(window).cy, Scaled(136, dpi));
    ExpectCentred(window);
    const POINT labels[] = {{66, 16}, {16, 40}, {16, 64}, {16, 88}, {16, 112}};
    for (int i = 0; i < 5; ++i) {
        const HWND label = GetDlgItem(window, IDC_Label1 + i);
        SCOPED_TRACE(testing::PrintToString(TextOf(label)));
        const RECT at = RectIn(label, window);
        EXPECT_EQ(at.left, Scaled(labels[i].x, dpi));
        EXPECT_EQ(at.top, Scaled(labels[i].y, dpi));
        // As large as its text in the windows' font at this DPI.
        const SIZE text = LayoutFont(12, dpi).Extent(TextOf(label));
        EXPECT_EQ(SizeOf(at).cx, text.cx);
        EXPECT_EQ(SizeOf(at).cy, text.cy);
        ExpectShownWhole(label, window);
    }
    ExpectAt(window, {IDC_Button1, 176, 96, 65, 25}, dpi);
    ExpectShownWhole(GetDlgItem(window, IDC_Button1), window);
    ExpectCaptionFits(GetDlgItem(window, IDC_Button1), dpi);
    EXPECT_EQ(program.Focus(), GetDlgItem(window, IDC_Button1));
    EXPECT_TRUE(SavePicture(window, L"version"));
    ASSERT_TRUE(Press(window));
}

TEST_F(ScaledLayout, TheWarningBoxShowsItsTextAndOkWhole)
{
    const Morvatix program;
    Click(program.Item(IDC_Button3));
    const HWND box = program.WaitForDialog(L"警告");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(BoxText(box), L"比較元が空白です");
    ExpectShownWhole(GetDlgItem(box, 0xFFFF), box);
    ExpectShownWhole(ButtonOf(box), box);
    EXPECT_TRUE(SavePicture(box, L"warning"));
    ASSERT_TRUE(Press(box));
}

template <typename T> std::vector<char> Bytes(const T &value)
{
    std::vector<char> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

template <typename T> T From(const std::vector<char> &bytes)
{
    T value{};
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

// What the system does when a window reaches a screen of another DPI: it
// asks for the size there, then tells the new DPI with the rectangle it
// suggests. Returns that rectangle.
RECT TellDpi(const Morvatix &program, HWND window, int dpi, POINT at)
{
    const auto size = From<SIZE>(
        program.SendWithData(window, WM_GETDPISCALEDSIZE, static_cast<WPARAM>(dpi), Bytes(SIZE{})));
    const RECT suggested{at.x, at.y, at.x + size.cx, at.y + size.cy};
    program.SendWithData(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), Bytes(suggested));
    return suggested;
}

TEST_F(ScaledLayout, AWindowToldOfAnotherDpiLaysItselfOutAnewThere)
{
    const int other = dpi == 96 ? 192 : 96;
    const Morvatix program;
    const HWND main = program.Main();
    // Widened by the user first: as much wider, in the other DPI's pixels.
    const SIZE laidOut = SizeOf(RectIn(main));
    SetWindowPos(main, nullptr, 0, 0, laidOut.cx + 30, laidOut.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] { return SizeOf(RectIn(main)).cx == laidOut.cx + 30; }));

    const SIZE frame96 = Frame(main, true, 96);
    const SIZE frame = Frame(main, true, other);
    const int widened = MulDiv(30, other, dpi);
    const RECT suggested = TellDpi(program, main, other, {10, 20});
    EXPECT_EQ(SizeOf(suggested).cx, Scaled(kMainOuter.cx - frame96.cx, other) + frame.cx + widened);
    EXPECT_EQ(SizeOf(suggested).cy, Scaled(kMainOuter.cy - frame96.cy, other) + frame.cy);
    ExpectRect(RectIn(main), suggested);
    ExpectMainLaidOut(main, other, widened);
    ExpectFieldFont(program.Item(IDC_Edit1), other);
    // The sizing rule is the new layout's.
    SetWindowPos(main, nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(WaitFor([&] { return SizeOf(RectIn(main)).cx == SizeOf(suggested).cx - widened; }));
    EXPECT_EQ(SizeOf(RectIn(main)).cy, SizeOf(suggested).cy);

    // And back, as it was laid out at first.
    const RECT back = TellDpi(program, main, dpi, {0, 0});
    EXPECT_EQ(SizeOf(back).cx, laidOut.cx);
    EXPECT_EQ(SizeOf(back).cy, laidOut.cy);
    ExpectMainLaidOut(main, dpi, 0);
    ExpectFieldFont(program.Item(IDC_Edit1), dpi);

    // The verdict window draws its mark anew at the other DPI.
    const TempDir dir;
    WriteBytes(dir.File("one.bin"), "same");
    WriteBytes(dir.File("two.bin"), "same");
    SetText(program.Item(IDC_Edit1), Wide(dir.File("one.bin")));
    SetText(program.Item(IDC_Edit2), Wide(dir.File("two.bin")));
    Click(program.Item(IDC_Button3));
    const HWND verdict = program.WaitForDialog(L"判定結果");
    ASSERT_NE(verdict, nullptr);
    const RECT moved = TellDpi(program, verdict, other, {0, 0});
    ExpectRect(RectIn(verdict), moved);
    EXPECT_EQ(SizeOf(moved).cx, Scaled(215, other) + Frame(verdict, false, other).cx);
    EXPECT_EQ(SizeOf(moved).cy, Scaled(189, other) + Frame(verdict, false, other).cy);
    for (const Box &box : kVerdictControls)
        ExpectAt(verdict, box, other);
    ExpectMark(GetDlgItem(verdict, IDC_Image1), true, other);
    ExpectMemoFont(GetDlgItem(verdict, IDC_Memo1), other);
    ASSERT_TRUE(Press(verdict));
}

} // namespace
} // namespace mvx::test
