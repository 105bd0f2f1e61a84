#include "win32/SingleInstance.h"

#include "win32/MVX.h"
#include "win32/WindowText.h"

#include <sddl.h>
#include <string_view>

namespace mvx::win32 {

namespace {

// Long enough for a first instance that started a moment earlier to show its
// window, short enough that a stuck one does not keep the user waiting.
constexpr ULONGLONG kClaimDeadlineMs = 5000;
constexpr DWORD kRetryPauseMs = 20;
// A running instance whose window takes no message within this time is
// stopped or stuck.
constexpr UINT kAnswerTimeoutMs = 2000;
// What the data of a later start's message is: "MVX" and the format's version.
constexpr ULONG_PTR kPathsMessage = 0x4D565801;

// The later start's two paths, each ended by a NUL, to the running window;
// without two paths only a message that asks for an answer. False when the
// window's thread takes no messages (stopped, or stuck).
bool HandOverPaths(HWND running, const std::vector<std::string> &paths)
{
    DWORD_PTR ignored = 0;
    if (paths.size() != 2)
        return SendMessageTimeoutW(running, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &ignored) != 0;
    std::wstring text = Wide(paths.at(0));
    text.push_back(L'\0');
    text += Wide(paths.at(1));
    text.push_back(L'\0');
    COPYDATASTRUCT data{kPathsMessage, static_cast<DWORD>(text.size() * sizeof(wchar_t)), text.data()};
    return SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerTimeoutMs, &ignored) != 0;
}

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

std::optional<std::pair<std::wstring, std::wstring>> HandedOverPaths(const COPYDATASTRUCT *data)
{
    if (data == nullptr || data->dwData != kPathsMessage || data->lpData == nullptr ||
        data->cbData % sizeof(wchar_t) != 0)
        return std::nullopt;
    const std::wstring_view text(static_cast<const wchar_t *>(data->lpData), data->cbData / sizeof(wchar_t));
    const std::size_t first = text.find(L'\0');
    if (first == std::wstring_view::npos || text.find(L'\0', first + 1) != text.size() - 1)
        return std::nullopt;
    return std::pair{std::wstring(text.substr(0, first)),
                     std::wstring(text.substr(first + 1, text.size() - first - 2))};
}

bool SingleInstance::Claim(const std::vector<std::string> &paths)
{
    const ULONGLONG deadline = GetTickCount64() + kClaimDeadlineMs;
    for (;;) {
        if (!mutex_) {
            // Held until this process ends, however it ends: the system gives
            // up a dead owner's mutex, and the next start then takes it over.
            const HANDLE made = CreateMutexW(nullptr, TRUE, name_.c_str());
            const DWORD madeAs = GetLastError();
            mutex_.reset(made);
            if (mutex_ && madeAs != ERROR_ALREADY_EXISTS)
                return true;
            // A mutex that this start may not open is an instance's that runs
            // elevated, or at another integrity level: the one instance all
            // the same. This start tries again until that instance ends or
            // shows its window.
            if (!mutex_ && madeAs != ERROR_ACCESS_DENIED)
                return true;
        } else {
            const DWORD taken = WaitForSingleObject(mutex_.get(), 0);
            if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED)
                return true;
        }
        const HWND running = FindWindowW(kMainWindowClass, nullptr);
        if (running != nullptr && IsWindowVisible(running) != 0) {
            // A window that does not answer would not come forward, and
            // bringing it would wait on it.
            unanswered_ = !HandOverPaths(running, paths);
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
