// Window placement, the user's attention and the two message boxes shared by
// every window.
#pragma once

#include <QString>

class QWidget;

namespace mvx::ui {

// Places the window's outer frame in the middle of the primary screen, now
// and again once the window manager has put its frame around it.
void CentreOnScreen(QWidget &window);

// Before a modal window opens: while another program has the focus, asks
// the desktop to draw the user's attention to the program's windows and, on
// X11, returns once the user has come back to them. There a modal window that
// opens takes the focus (Qt asks the window manager for it as the window
// appears, with a fresh time that wins over the user's last click elsewhere,
// and without one simply sets it), and the focus is the user's to move.
void WaitUntilInFront();

// The report of an expected problem: a beep, then a modal box centred on the
// screen that returns when the user presses OK.
void WarningBox(QWidget *owner, const QString &message);

// The report of an unexpected failure: a modal box of the application with
// its title as caption, the stop icon and the message with its closing period.
void ErrorBox(const QString &message);

} // namespace mvx::ui
