#include "win32/DialogWindow.h"

#include "check/Guarded.h"
#include "win32/Handles.h"

#include <stdexcept>

namespace mvx::win32 {

void DialogWindow::ShowModal(HWND owner, int templateId)
{
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, DialogProc,
                    reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
}

void DialogWindow::CreateModeless(int templateId)
{
    CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, DialogProc,
                       reinterpret_cast<LPARAM>(this));
    if (window_ == nullptr)
        throw std::runtime_error("ウィンドウを作成できません");
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
    Guarded([&] { handled = form->Message(message, wParam, lParam); });
    // For WM_INITDIALOG, true lets the dialog manager give the focus to the
    // first control in tab order.
    return handled ? TRUE : FALSE;
}

} // namespace mvx::win32
