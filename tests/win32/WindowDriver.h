// Drives the real Morvatix windows from this second program, as a user's
// clicks and the shell would: it starts morvatix.exe, finds its windows,
// sets texts, presses buttons, reads what the boxes say and drops files.
#pragma once

#include <chrono>
#include <string>
#include <vector>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::test {

using namespace std::chrono_literals;

// Polls until condition() holds; false when the time is up first.
template <typename Condition> bool WaitFor(Condition condition, std::chrono::milliseconds timeout = 10s)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        Sleep(2);
    }
    return true;
}

// morvatix.exe as built, beside this program; this program.
std::wstring BuiltProgram();
std::wstring DriverProgram();
std::wstring Wide(const std::string &utf8);

// A window's text, set and read through messages, as another program does.
std::wstring TextOf(HWND window);
void SetText(HWND window, const std::wstring &text);
// A click on a button, queued as a user's would be: this side never waits
// for what the click starts.
void Click(HWND button);

// The DPI of the screen the windows are on.
int ScreenDpi();

// The window's rectangle in the client coordinates of another window, or on
// the screen.
RECT RectIn(HWND window, HWND reference = nullptr);
SIZE SizeOf(const RECT &rect);

// A running morvatix.exe. Closed (and, if it will not close, ended) when the
// object goes away.
class Morvatix {
public:
    // arguments: the command line after the program's name.
    explicit Morvatix(const std::wstring &arguments = L"", const std::wstring &program = BuiltProgram(),
                      bool waitForWindow = true);
    ~Morvatix();
    Morvatix(const Morvatix &) = delete;
    Morvatix &operator=(const Morvatix &) = delete;

    [[nodiscard]] HWND Main() const { return main_; }
    [[nodiscard]] HWND Item(int id) const { return GetDlgItem(main_, id); }
    [[nodiscard]] HANDLE Process() const { return process_; }
    [[nodiscard]] DWORD Id() const { return id_; }
    // The thread its windows run on.
    [[nodiscard]] DWORD ThreadId() const { return thread_; }

    // Its visible top-level window of that caption and the dialog class,
    // once it shows; null when none shows in time.
    HWND WaitForDialog(const std::wstring &caption, std::chrono::milliseconds timeout = 10s) const;
    // A dialog that its main window owns, whatever its caption (the file
    // dialog's is the system's own).
    HWND WaitForOwnedDialog(std::chrono::milliseconds timeout = 10s) const;
    // True when it shows a dialog of that caption now.
    [[nodiscard]] bool ShowsDialog(const std::wstring &caption) const;
    // The control that has the keyboard focus in it.
    [[nodiscard]] HWND Focus() const;
    // True once it has ended, within the time; its exit code in code.
    bool Ended(std::chrono::milliseconds timeout, DWORD *code = nullptr) const;
    // Its main window once it shows; null when none does in time.
    HWND WaitForMain(std::chrono::milliseconds timeout = 10s);

    // The idle state: Check caption, every command enabled, the bar at 0.
    [[nodiscard]] bool IsIdle() const;

    // A drop from the shell onto a field: the names, the drop point in the
    // field's client coordinates. The drop data is built here and placed in
    // the program's memory, where the shell's would be.
    void Drop(HWND field, const std::vector<std::wstring> &names, POINT at) const;

    // Sends one of its windows a message whose lParam points at data, placed
    // in the program's memory as the system would place it; the data as the
    // window left it.
    std::vector<char> SendWithData(HWND window, UINT message, WPARAM wParam, std::vector<char> data) const;

private:
    // data in the program's memory, where it stays until the program ends
    // or it is freed.
    void *Place(const std::vector<char> &data) const;

    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    DWORD thread_ = 0;
    HWND main_ = nullptr;
};

// A message box's text and its OK button.
std::wstring BoxText(HWND box);
// The dialog's shown button of that caption; null when it has none.
HWND ButtonOf(HWND dialog, const std::wstring &caption = L"OK");
// Presses the dialog's button of that caption and waits until the dialog is gone.
bool Press(HWND dialog, const std::wstring &caption = L"OK");

// Every top-level window of the main window's class, of any process.
std::vector<HWND> MainWindows();

// A picture of the window as the screen shows it, saved as name.png in the
// folder that MVX_WINDOW_PICTURES names; nothing when it names none. False
// when the picture could not be saved.
bool SavePicture(HWND window, const std::wstring &name);

} // namespace mvx::test
