// Help, the version window and its links, and the file dialog of the browse
// buttons. What Morvatix hands to the shell is caught by pointing the test
// prefix's text files, web pages and mail at this program, which notes what
// it was asked to open instead of opening it.
#include "WindowDriver.h"
#include "check/Identity.h"

#include "support/TempFiles.h"
#include "win32/Resource.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace mvx::test {
namespace {

class ShellRecorder {
public:
    ShellRecorder() : log_(Wide(dir_.File("opened.log")))
    {
        SetEnvironmentVariableW(L"MVX_OPENED_LOG", log_.c_str());
        const std::wstring command = L"\"" + DriverProgram() + L"\" record \"%1\"";
        Set(L".txt", L"MorvatixTest.Recorded");
        for (const wchar_t *verb : {L"MorvatixTest.Recorded\\shell\\open\\command",
                                    L"https\\shell\\open\\command", L"mailto\\shell\\open\\command"})
            Set(verb, command);
    }
    ~ShellRecorder() { SetEnvironmentVariableW(L"MVX_OPENED_LOG", nullptr); }
    ShellRecorder(const ShellRecorder &) = delete;
    ShellRecorder &operator=(const ShellRecorder &) = delete;

    // What was handed to the shell so far, once there is something.
    std::wstring Opened(std::chrono::milliseconds timeout = 10s) const
    {
        std::wstring text;
        WaitFor(
            [&] {
                text = Read();
                return !text.empty() && text.back() == L'\n';
            },
            timeout);
        return text;
    }
    [[nodiscard]] std::wstring Read() const
    {
        const HANDLE file = CreateFileW(log_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return {};
        std::wstring text(4096, L'\0');
        DWORD got = 0;
        ReadFile(file, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &got, nullptr);
        CloseHandle(file);
        text.resize(got / sizeof(wchar_t));
        return text;
    }

private:
    static void Set(const wchar_t *key, const std::wstring &value)
    {
        RegSetKeyValueW(HKEY_CLASSES_ROOT, key, nullptr, REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

    TempDir dir_;
    std::wstring log_;
};

void Choose(const Morvatix &program, int menuCommand)
{
    PostMessageW(program.Main(), WM_COMMAND, MAKEWPARAM(menuCommand, 0), 0);
}

TEST(Help, OpensTheReadmeBesideTheProgramOrSaysItIsMissing)
{
    enum class Readme { File, Missing, Folder };
    const Readme cases[] = {Readme::File, Readme::Missing, Readme::Folder};
    for (const Readme readme : cases) {
        SCOPED_TRACE(static_cast<int>(readme));
        const ShellRecorder shell;
        // A copy of the program in a folder of its own.
        const TempDir dir;
        const std::wstring copy = Wide(dir.File("morvatix.exe"));
        ASSERT_NE(CopyFileW(BuiltProgram().c_str(), copy.c_str(), FALSE), FALSE);
        if (readme == Readme::File)
            WriteBytes(dir.File("Readme.txt"), "readme");
        if (readme == Readme::Folder)
            std::filesystem::create_directory(PathFromUtf8(dir.File("Readme.txt")));

        const Morvatix program(L"", copy);
        Choose(program, IDM_MenuHelp);
        if (readme == Readme::File) {
            EXPECT_EQ(shell.Opened(), Wide(dir.File("Readme.txt")) + L"\n");
            EXPECT_FALSE(program.ShowsDialog(L"警告"));
        } else {
            const HWND box = program.WaitForDialog(L"警告");
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(BoxText(box), L"Readme.txtが存在しません");
            ASSERT_TRUE(Press(box));
            EXPECT_EQ(shell.Read(), L"");
        }
    }
}

TEST(Version, ShowsNameAndLinksCentredAndHandsTheLinksToTheShell)
{
    const ShellRecorder shell;
    const Morvatix program;
    Choose(program, IDM_MenuVer);
    const HWND window = program.WaitForDialog(L"バージョン情報");
    ASSERT_NE(window, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 255);
    EXPECT_EQ(client.bottom, 136);
    const RECT outer = RectIn(window);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - SizeOf(outer).cx) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - SizeOf(outer).cy) / 2);
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_STYLE) & WS_SYSMENU, 0);

    struct Label {
        int id;
        POINT at;
        std::wstring caption;
    };
    const Label labels[] = {
        {IDC_Label1, {66, 16}, Wide(mvx::kVersionLine)},
        {IDC_Label2, {16, 40}, L"ホームページ"},
        {IDC_Label3, {16, 64}, L"https://www.example.org/morvatix/"},
        {IDC_Label4, {16, 88}, L"メールアドレス"},
        {IDC_Label5, {16, 112}, L"morvatix@example.org"},
    };
    for (const Label &label : labels) {
        SCOPED_TRACE(label.id);
        const HWND control = GetDlgItem(window, label.id);
        const RECT at = RectIn(control, window);
        EXPECT_EQ(at.left, label.at.x);
        EXPECT_EQ(at.top, label.at.y);
        // As large as its text.
        EXPECT_GT(SizeOf(at).cx, 0);
        EXPECT_GE(SizeOf(at).cy, 12);
        EXPECT_EQ(TextOf(control), label.caption);
    }
    const HWND ok = GetDlgItem(window, IDC_Button1);
    const RECT okAt = RectIn(ok, window);
    EXPECT_EQ(okAt.left, 176);
    EXPECT_EQ(okAt.top, 96);
    EXPECT_EQ(SizeOf(okAt).cx, 65);
    EXPECT_EQ(SizeOf(okAt).cy, 25);
    EXPECT_EQ(program.Focus(), ok);

    // A click on a link: the press of the mouse button is the click.
    const auto clickLink = [&](int id) {
        const HWND link = GetDlgItem(window, id);
        PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    };
    clickLink(IDC_Label3);
    std::wstring opened = L"https://www.example.org/morvatix/\n";
    EXPECT_EQ(shell.Opened(), opened);
    clickLink(IDC_Label5);
    opened += L"mailto:Morvatix<morvatix@example.org>\n";
    EXPECT_TRUE(WaitFor([&] { return shell.Read() == opened; })) << testing::PrintToString(shell.Read());

    ASSERT_TRUE(Press(window));
    EXPECT_NE(IsWindowEnabled(program.Main()), FALSE);
}

// The file dialog's name field, whichever of the system's two it is.
HWND NameField(HWND dialog)
{
    constexpr int kNameCombo = 0x47C;
    constexpr int kNameEdit = 0x480;
    for (const int id : {kNameCombo, kNameEdit}) {
        const HWND control = GetDlgItem(dialog, id);
        if (control == nullptr)
            continue;
        const HWND inner = FindWindowExW(control, nullptr, L"Edit", nullptr);
        return inner != nullptr ? inner : control;
    }
    return nullptr;
}

TEST(OpenDialog1, FillsTheFieldAndOpensOnTheLastConfirmedName)
{
    const TempDir dir;
    WriteBytes(dir.File("chosen.txt"), "x");
    const std::wstring chosen = Wide(dir.File("chosen.txt"));
    const std::wstring missing = Wide(dir.File("not-there.txt"));
    const Morvatix program;

    Click(program.Item(IDC_Button1));
    HWND dialog = program.WaitForOwnedDialog();
    ASSERT_NE(dialog, nullptr);
    SetText(NameField(dialog), chosen);
    Click(GetDlgItem(dialog, IDOK));
    EXPECT_TRUE(WaitFor([&] { return TextOf(program.Item(IDC_Edit1)) == chosen; }));

    // The other button's dialog opens on that name; cancelling changes nothing.
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(program.Main()) != 0; }));
    Click(program.Item(IDC_Button2));
    dialog = program.WaitForOwnedDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(WaitFor([&] { return TextOf(NameField(dialog)).ends_with(L"chosen.txt"); }))
        << testing::PrintToString(TextOf(NameField(dialog)));
    Click(GetDlgItem(dialog, IDCANCEL));
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(program.Main()) != 0; }));
    EXPECT_EQ(TextOf(program.Item(IDC_Edit2)), L"");
    EXPECT_NE(program.Focus(), program.Item(IDC_Button3));

    // A typed name of a missing file is taken; with both fields filled, the
    // focus goes to Check.
    Click(program.Item(IDC_Button2));
    dialog = program.WaitForOwnedDialog();
    ASSERT_NE(dialog, nullptr);
    SetText(NameField(dialog), missing);
    Click(GetDlgItem(dialog, IDOK));
    EXPECT_TRUE(WaitFor([&] { return TextOf(program.Item(IDC_Edit2)) == missing; }));
    EXPECT_TRUE(WaitFor([&] { return program.Focus() == program.Item(IDC_Button3); }));
}

} // namespace
} // namespace mvx::test
