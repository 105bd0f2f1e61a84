// A window made from a dialog template, whose messages go to an object of
// ours. Every handler runs guarded: a failure shows in the Error box and
// never unwinds through the system's code. The window is laid out at the DPI
// of its screen, and laid out anew when that changes.
#pragma once

#include "win32/PixelLayout.h"

#include <utility>
#include <vector>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::win32 {

class DialogWindow {
public:
    // The template the window is made from, what its size stands for and
    // the controls whose text is underlined.
    DialogWindow(int templateId, TemplateSize size, std::vector<int> underlined = {})
        : layout_(templateId, size, std::move(underlined)), templateId_(templateId)
    {}
    virtual ~DialogWindow() = default;
    DialogWindow(const DialogWindow &) = delete;
    DialogWindow &operator=(const DialogWindow &) = delete;

    [[nodiscard]] HWND Window() const { return window_; }

protected:
    // Shows the window modally over its owner and returns once it has closed.
    void ShowModal(HWND owner);
    // Makes the window, not yet shown. Throws when it cannot be made.
    void CreateModeless();

    // WM_INITDIALOG, once the window is laid out, and every later message.
    // True when handled; a handler that must return a value of its own sets
    // it with SetResult.
    virtual bool Message(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The controls, their fonts and the window's size at dpi: before
    // WM_INITDIALOG and at each change of DPI.
    virtual void LayOut(int dpi) { layout_.Apply(window_, dpi); }
    // The outer size the window is to have at dpi.
    [[nodiscard]] virtual SIZE SizeAt(int dpi) { return layout_.OuterSize(window_, dpi); }

    void SetResult(LONG_PTR result) const { SetWindowLongPtrW(window_, DWLP_MSGRESULT, result); }
    [[nodiscard]] HWND Item(int id) const { return GetDlgItem(window_, id); }

    HWND window_ = nullptr;
    PixelLayout layout_;

private:
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
};

} // namespace mvx::win32
