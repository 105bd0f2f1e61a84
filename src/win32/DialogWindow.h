// A window made from a dialog template, whose messages go to an object of
// ours. Every handler runs guarded: a failure shows in the Error box and
// never unwinds through the system's code.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::win32 {

class DialogWindow {
public:
    DialogWindow() = default;
    virtual ~DialogWindow() = default;
    DialogWindow(const DialogWindow &) = delete;
    DialogWindow &operator=(const DialogWindow &) = delete;

    [[nodiscard]] HWND Window() const { return window_; }

protected:
    // Shows the window modally over its owner and returns once it has closed.
    void ShowModal(HWND owner, int templateId);
    // Makes the window, not yet shown. Throws when it cannot be made.
    void CreateModeless(int templateId);

    // WM_INITDIALOG and every later message. True when handled; a handler
    // that must return a value of its own sets it with SetResult.
    virtual bool Message(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    void SetResult(LONG_PTR result) const { SetWindowLongPtrW(window_, DWLP_MSGRESULT, result); }
    [[nodiscard]] HWND Item(int id) const { return GetDlgItem(window_, id); }

    HWND window_ = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace mvx::win32
