#include "win32/SingleInstance.h"

#include "win32/MVX.h"

#include <sddl.h>

namespace mvx::win32 {

namespace {

// Long enough for a first instance that started a moment earlier to show its
// window, short enough that a stuck one does not keep the user waiting.
constexpr ULONGLONG kClaimDeadlineMs = 5000;
constexpr DWORD kRetryPauseMs = 20;
constexpr UINT kAnswerTimeoutMs = 2000;

std::wstring UserSid()
{
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) == 0)
        return {};
    const OwnedHandle owned(token);
    DWORD length = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &length);
    std::wstring buffer(length / sizeof(wchar_t) + 1, L'\0');
    wchar_t *text = nullptr;
    if (GetTokenInformation(token, TokenUser, buffer.data(), length, &length) == 0 ||
        ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid, &text) == 0)
        return {};
    std::wstring sid(text);
    LocalFree(text);
    return sid;
}

} // namespace

std::wstring SingleInstance::DefaultName()
{
    return L"Local\\Morvatix-instance-" + UserSid();
}

bool SingleInstance::Claim()
{
    // Held until this process ends, however it ends: the system gives up a
    // dead owner's mutex, and the next start then takes it over.
    const HANDLE made = CreateMutexW(nullptr, TRUE, name_.c_str());
    const DWORD madeAs = GetLastError();
    mutex_.reset(made);
    if (!mutex_ || madeAs != ERROR_ALREADY_EXISTS)
        return true;

    const ULONGLONG deadline = GetTickCount64() + kClaimDeadlineMs;
    for (;;) {
        const DWORD taken = WaitForSingleObject(mutex_.get(), 0);
        if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED)
            return true;
        const HWND running = FindWindowW(kMainWindowClass, nullptr);
        if (running != nullptr && IsWindowVisible(running) != 0) {
            // A window whose thread takes no messages (stopped, or stuck)
            // would not come forward, and bringing it would wait on it.
            DWORD_PTR ignored = 0;
            unanswered_ = SendMessageTimeoutW(running, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                                              &ignored) == 0;
            if (!unanswered_)
                BringForward(running);
            return false;
        }
        // The holder is alive but shows no window yet (it started a moment
        // ago) or at all (it is stuck): a second window would break the
        // promise of one.
        if (GetTickCount64() >= deadline) {
            unanswered_ = true;
            return false;
        }
        Sleep(kRetryPauseMs);
    }
}

void BringForward(HWND mainWindow)
{
    if (IsIconic(mainWindow) != 0)
        OpenIcon(mainWindow);
    const HWND shown = GetLastActivePopup(mainWindow);
    SetForegroundWindow(shown != nullptr ? shown : mainWindow);
}

} // namespace mvx::win32
