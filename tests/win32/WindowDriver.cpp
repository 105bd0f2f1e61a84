#include "WindowDriver.h"

#include "base/WideText.h"
#include "support/ProcessStart.h"
#include "win32/Resource.h"

#include <commctrl.h>
#include <cstring>
#include <shlobj.h>
#include <stdexcept>
#include <string>

namespace mvx::test {

namespace {

constexpr UINT kMessageTimeoutMs = 5000;

// What an enumeration hands its callback back.
template <typename T> T &SearchOf(LPARAM search)
{
    return *reinterpret_cast<T *>(search); // NOLINT(performance-no-int-to-ptr): the system's own convention
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct DialogSearch {
    DWORD process;
    const std::wstring *caption;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM search)
{
    auto &s = SearchOf<DialogSearch>(search);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != s.process || IsWindowVisible(window) == 0 || ClassOf(window) != L"#32770" ||
        TextOf(window) != *s.caption)
        return TRUE;
    s.found = window;
    return FALSE;
}

struct MainSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindMain(HWND window, LPARAM search)
{
    auto &s = SearchOf<MainSearch>(search);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != s.process || IsWindowVisible(window) == 0 || ClassOf(window) != L"" MVX_MAIN_CLASS_NAME)
        return TRUE;
    s.found = window;
    return FALSE;
}

BOOL CALLBACK CollectMain(HWND window, LPARAM windows)
{
    if (ClassOf(window) == L"" MVX_MAIN_CLASS_NAME)
        SearchOf<std::vector<HWND>>(windows).push_back(window);
    return TRUE;
}

struct ButtonSearch {
    const std::wstring *caption;
    HWND found;
};

BOOL CALLBACK FindButton(HWND window, LPARAM search)
{
    auto &s = SearchOf<ButtonSearch>(search);
    if (ClassOf(window) != L"Button" || IsWindowVisible(window) == 0 || TextOf(window) != *s.caption)
        return TRUE;
    s.found = window;
    return FALSE;
}

std::wstring Folder(const std::wstring &path)
{
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM search)
{
    auto &s = SearchOf<OwnedSearch>(search);
    if (GetWindow(window, GW_OWNER) != s.owner || IsWindowVisible(window) == 0 ||
        ClassOf(window) != L"#32770")
        return TRUE;
    s.found = window;
    return FALSE;
}

} // namespace

std::wstring DriverProgram()
{
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::wstring BuiltProgram()
{
    return Folder(DriverProgram()) + L"morvatix.exe";
}

std::wstring Wide(const std::string &utf8)
{
    return WideFromUtf8(utf8).value_or(std::wstring());
}

std::wstring TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length) ==
        0)
        return L"<no answer>";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kMessageTimeoutMs, &got);
    text.resize(got);
    return text;
}

void SetText(HWND window, const std::wstring &text)
{
    DWORD_PTR ignored = 0;
    if (SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                            kMessageTimeoutMs, &ignored) == 0)
        throw std::runtime_error("the window took no text");
}

void Click(HWND button)
{
    PostMessageW(button, BM_CLICK, 0, 0);
}

int ScreenDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

RECT RectIn(HWND window, HWND reference)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    if (reference != nullptr)
        MapWindowPoints(nullptr, reference, reinterpret_cast<POINT *>(&rect), 2);
    return rect;
}

SIZE SizeOf(const RECT &rect)
{
    return {rect.right - rect.left, rect.bottom - rect.top};
}

Morvatix::Morvatix(const std::wstring &arguments, const std::wstring &program, bool waitForWindow)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const std::wstring line = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    PROCESS_INFORMATION started{};
    if (!StartProcess(program, line, false, 0, startup, started))
        throw std::runtime_error("cannot start morvatix.exe: error " + std::to_string(GetLastError()));
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    id_ = started.dwProcessId;
    thread_ = started.dwThreadId;
    if (waitForWindow && WaitForMain() == nullptr) {
        TerminateProcess(process_, 1);
        CloseHandle(process_);
        throw std::runtime_error("morvatix.exe showed no main window");
    }
}

Morvatix::~Morvatix()
{
    // Whatever a failed test left open is closed first, so that the window
    // can close; a program that still will not end is ended.
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        for (const wchar_t *caption : {L"警告", L"Morvatix", L"判定結果", L"バージョン情報"})
            if (const HWND box = WaitForDialog(caption, 0ms))
                PostMessageW(box, WM_CLOSE, 0, 0);
        if (main_ != nullptr)
            PostMessageW(main_, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0)
            TerminateProcess(process_, 1);
    }
    CloseHandle(process_);
}

HWND Morvatix::WaitForMain(std::chrono::milliseconds timeout)
{
    MainSearch search{id_, nullptr};
    WaitFor(
        [&] {
            EnumWindows(FindMain, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout);
    main_ = search.found;
    return main_;
}

HWND Morvatix::WaitForDialog(const std::wstring &caption, std::chrono::milliseconds timeout) const
{
    DialogSearch search{id_, &caption, nullptr};
    WaitFor(
        [&] {
            EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout);
    return search.found;
}

HWND Morvatix::WaitForOwnedDialog(std::chrono::milliseconds timeout) const
{
    OwnedSearch search{main_, nullptr};
    WaitFor(
        [&] {
            EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout);
    return search.found;
}

bool Morvatix::ShowsDialog(const std::wstring &caption) const
{
    return WaitForDialog(caption, 0ms) != nullptr;
}

HWND Morvatix::Focus() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(thread_, &info) != 0 ? info.hwndFocus : nullptr;
}

bool Morvatix::Ended(std::chrono::milliseconds timeout, DWORD *code) const
{
    if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0)
        return false;
    if (code != nullptr)
        GetExitCodeProcess(process_, code);
    return true;
}

bool Morvatix::IsIdle() const
{
    DWORD_PTR position = 1;
    SendMessageTimeoutW(Item(IDC_ProgressBar1), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                        &position);
    return TextOf(Item(IDC_Button3)) == L"チェック" && IsWindowEnabled(Item(IDC_Button1)) != 0 &&
           IsWindowEnabled(Item(IDC_Button2)) != 0 && IsWindowEnabled(Item(IDC_Button4)) != 0 &&
           position == 0;
}

void Morvatix::Drop(HWND field, const std::vector<std::wstring> &names, POINT at) const
{
    std::vector<char> data(sizeof(DROPFILES));
    for (const std::wstring &name : names) {
        const auto *bytes = reinterpret_cast<const char *>(name.c_str());
        data.insert(data.end(), bytes, bytes + (name.size() + 1) * sizeof(wchar_t));
    }
    data.insert(data.end(), sizeof(wchar_t), '\0');
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.pt = at;
    header.fNC = FALSE;
    header.fWide = TRUE;
    std::memcpy(data.data(), &header, sizeof header);

    // The receiver gives the drop back with DragFinish, which cannot free
    // memory it did not allocate; this stays until the program ends.
    PostMessageW(field, WM_DROPFILES, reinterpret_cast<WPARAM>(Place(data)), 0);
}

void *Morvatix::Place(const std::vector<char> &data) const
{
    void *remote = VirtualAllocEx(process_, nullptr, data.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    SIZE_T written = 0;
    if (remote == nullptr || WriteProcessMemory(process_, remote, data.data(), data.size(), &written) == 0 ||
        written != data.size())
        throw std::runtime_error("cannot place data in the program");
    return remote;
}

std::vector<char> Morvatix::SendWithData(HWND window, UINT message, WPARAM wParam,
                                         std::vector<char> data) const
{
    void *remote = Place(data);
    DWORD_PTR ignored = 0;
    const bool answered = SendMessageTimeoutW(window, message, wParam, reinterpret_cast<LPARAM>(remote),
                                              SMTO_ABORTIFHUNG, kMessageTimeoutMs, &ignored) != 0;
    SIZE_T read = 0;
    const bool readBack = ReadProcessMemory(process_, remote, data.data(), data.size(), &read) != 0;
    VirtualFreeEx(process_, remote, 0, MEM_RELEASE);
    if (!answered || !readBack || read != data.size())
        throw std::runtime_error("the window did not take the message");
    return data;
}

std::wstring BoxText(HWND box)
{
    // A message box's text is its static control 0xFFFF.
    return TextOf(GetDlgItem(box, 0xFFFF));
}

HWND ButtonOf(HWND dialog, const std::wstring &caption)
{
    ButtonSearch search{&caption, nullptr};
    EnumChildWindows(dialog, FindButton, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Press(HWND dialog, const std::wstring &caption)
{
    const HWND button = ButtonOf(dialog, caption);
    if (button == nullptr)
        return false;
    Click(button);
    return WaitFor([dialog] { return IsWindow(dialog) == 0 || IsWindowVisible(dialog) == 0; });
}

std::vector<HWND> MainWindows()
{
    std::vector<HWND> windows;
    EnumWindows(CollectMain, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

} // namespace mvx::test
