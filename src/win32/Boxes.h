// Window placement, the user's attention and the two message boxes shared by
// every window.
#pragma once

#include <string>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::win32 {

// Places the window's outer frame in the middle of the primary screen.
void CentreOnScreen(HWND window);

// Before a modal window opens: while another program is in the foreground,
// the task-bar buttons of the program's windows flash until the user comes
// back to them. The system keeps the foreground where it is.
void AttentionFromBehind();

// The report of an expected problem: the default beep, then a modal box
// centred on the screen that returns when the user presses OK.
void WarningBox(HWND owner, const std::string &message);

// The report of an unexpected failure: a box of the whole program, which
// keeps every other window of it from input, with the program's title as
// caption, the stop icon and the message with its closing period.
void ErrorBox(const std::string &message);

} // namespace mvx::win32
