#include "win32/DialogWindow.h"

#include "check/Guarded.h"
#include "win32/Boxes.h"
#include "win32/Handles.h"
#include "win32/ScreenDpi.h"

#include <stdexcept>

namespace mvx::win32 {

void DialogWindow::ShowModal(HWND owner)
{
    AttentionFromBehind();
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner, DialogProc,
                    reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
}

void DialogWindow::CreateModeless()
{
    CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), nullptr, DialogProc,
                       reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr)
        throw std::runtime_error("ウィンドウを作成できません");
}

bool DialogWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        KeepDialogScalingOurs(window_);
        LayOut(WindowDpi(window_));
        break;
    case WM_GETDPISCALEDSIZE:
        // Asked before a change of DPI, so that the rectangle the system
        // suggests then is the one the window takes.
        *FromMessage<SIZE *>(lParam) = SizeAt(static_cast<int>(wParam));
        SetResult(TRUE);
        return true;
    case WM_DPICHANGED: {
        // The new DPI is the one the message brings: where the window's own
        // cannot be asked for, the system's is all there is to ask.
        LayOut(HIWORD(wParam));
        const auto *suggested = FromMessage<const RECT *>(lParam);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
    }
    default:
        break;
    }
    return Message(message, wParam, lParam);
}

INT_PTR CALLBACK DialogWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto *form = FromMessage<DialogWindow *>(GetWindowLongPtrW(window, DWLP_USER));
    if (message == WM_INITDIALOG) {
        form = FromMessage<DialogWindow *>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        form->window_ = window;
    }
    if (form == nullptr)
        return FALSE;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        form->window_ = nullptr;
    }
    bool handled = false;
    Guarded([&] { handled = form->Dispatch(message, wParam, lParam); });
    // For WM_INITDIALOG, true lets the dialog manager give the focus to the
    // first control in tab order.
    return handled ? TRUE : FALSE;
}

} // namespace mvx::win32
