// The program's message handling outside the dialogs' own modal loops.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::win32 {

// Handles every message that is waiting, with the keyboard working in
// dialog as the dialog manager does it, and returns. A quit request met
// on the way is put back for the main loop.
void ProcessPendingMessages(HWND dialog);

// Runs until the program is asked to quit; returns the quit code.
int RunMessageLoop(HWND mainDialog);

} // namespace mvx::win32
