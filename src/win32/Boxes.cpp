#include "win32/Boxes.h"

#include "check/FailureText.h"
#include "check/Guarded.h"
#include "check/Identity.h"
#include "check/WindowTexts.h"
#include "win32/Handles.h"
#include "win32/WindowText.h"

namespace mvx::win32 {

namespace {

// A message box places itself; it is moved to the centre of the screen as
// it is activated, when it has its final size.
thread_local bool boxAwaitingCentre = false;

LRESULT CALLBACK CentreBoxOnActivation(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE && boxAwaitingCentre) {
        boxAwaitingCentre = false;
        CentreOnScreen(FromMessage<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CALLBACK FlashTopLevel(HWND window, LPARAM /*unused*/)
{
    // The windows with a button of their own: shown and owned by none.
    if (IsWindowVisible(window) != 0 && GetWindow(window, GW_OWNER) == nullptr) {
        FLASHWINFO flash{sizeof flash, window, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
        FlashWindowEx(&flash);
    }
    return TRUE;
}

void ShowBox(HWND owner, const std::string &message, const std::wstring &caption, UINT type)
{
    AttentionFromBehind();
    const OwnedHook hook(SetWindowsHookExW(WH_CBT, CentreBoxOnActivation, nullptr, GetCurrentThreadId()));
    boxAwaitingCentre = hook != nullptr;
    MessageBoxW(owner, Wide(message).c_str(), caption.c_str(), type | MB_OK);
    boxAwaitingCentre = false;
}

} // namespace

void CentreOnScreen(HWND window)
{
    RECT outer{};
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AttentionFromBehind()
{
    DWORD process = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &process);
    if (process != GetCurrentProcessId())
        EnumThreadWindows(GetCurrentThreadId(), FlashTopLevel, 0);
}

void WarningBox(HWND owner, const std::string &message)
{
    MessageBeep(0);
    ShowBox(owner, message, Wide(kWarningCaption), MB_ICONEXCLAMATION);
}

void ErrorBox(const std::string &message)
{
    ShowBox(nullptr, WithClosingPeriod(message), Wide(kProgramTitle), MB_ICONERROR | MB_TASKMODAL);
}

} // namespace mvx::win32

void mvx::ApplicationEvents1Exception(const std::exception_ptr &failure) noexcept
{
    // Showing the box needs memory too; when even that fails, the failure
    // is only heard rather than ending the program.
    try {
        win32::ErrorBox(FailureMessage(failure));
    } catch (...) {
        MessageBeep(MB_ICONERROR);
    }
}
