#include "win32/MessagePump.h"

namespace mvx::win32 {

namespace {

void Dispatch(HWND dialog, MSG &message)
{
    if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageW(dialog, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

} // namespace

void ProcessPendingMessages(HWND dialog)
{
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        Dispatch(dialog, message);
    }
}

int RunMessageLoop(HWND mainDialog)
{
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        Dispatch(mainDialog, message);
    return static_cast<int>(message.wParam);
}

} // namespace mvx::win32
