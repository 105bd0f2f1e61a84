#include "win32/PVerForm.h"

#include "win32/Boxes.h"
#include "win32/Handles.h"
#include "win32/MessagePump.h"
#include "win32/Resource.h"
#include "win32/WindowText.h"

#include <shellapi.h>

namespace mvx::win32 {

namespace {

constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

} // namespace

// The links are underlined; their size follows from the font they show in.
TVerForm::TVerForm() : DialogWindow(IDD_TVerForm, TemplateSize::Client, {IDC_Label3, IDC_Label5}) {}

void TVerForm::ShowModal(HWND owner)
{
    DialogWindow::ShowModal(owner);
}

bool TVerForm::IsLink(HWND control) const
{
    return control != nullptr && (control == Item(IDC_Label3) || control == Item(IDC_Label5));
}

bool TVerForm::Message(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        FormShow();
        return false;
    case WM_CTLCOLORSTATIC:
        if (!IsLink(FromMessage<HWND>(lParam)))
            return false;
        SetTextColor(FromMessage<HDC>(wParam), kLinkBlue);
        SetBkMode(FromMessage<HDC>(wParam), TRANSPARENT);
        // For this message the dialog procedure's result is the brush itself.
        SetResult(reinterpret_cast<LONG_PTR>(GetSysColorBrush(COLOR_BTNFACE)));
        return true;
    case WM_SETCURSOR:
        if (!IsLink(FromMessage<HWND>(wParam)))
            return false;
        SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649))); // IDC_HAND
        SetResult(TRUE);
        return true;
    case WM_COMMAND:
        // Only OK closes the window: it has no close box, and Escape does nothing.
        if (HIWORD(wParam) == STN_CLICKED && LOWORD(wParam) == IDC_Label3)
            Label3Click();
        else if (HIWORD(wParam) == STN_CLICKED && LOWORD(wParam) == IDC_Label5)
            Label5Click();
        else if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDC_Button1)
            Button1Click();
        return true;
    default:
        return false;
    }
}

void TVerForm::FormShow()
{
    CentreOnScreen(window_);
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_Button1)), TRUE);
}

void TVerForm::HandToShell(const std::wstring &target)
{
    // The shell reports nothing back that the user could act on, so what it
    // answers is not looked at. Its own windows may want to paint meanwhile.
    ShellExecuteW(window_, L"open", target.c_str(), L"", L"", SW_SHOW);
    ProcessPendingMessages(window_);
}

void TVerForm::Label3Click()
{
    HandToShell(TextOf(Item(IDC_Label3)));
}

void TVerForm::Label5Click()
{
    HandToShell(LoadedString(IDS_MailTarget));
}

void TVerForm::Button1Click()
{
    EndDialog(window_, IDOK);
}

} // namespace mvx::win32
