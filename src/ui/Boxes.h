// Window placement, the user's attention and the two message boxes shared by
// every window.
#pragma once

#include <QString>

class QDialog;
class QWidget;

namespace mvx::ui {

// Places the window's outer frame in the middle of the primary screen, now
// and again once the window manager has put its frame around it.
void CentreOnScreen(QWidget &window);

// Shows the window modally, at once, and returns its result. While another
// program has the focus the window opens without taking it and the
// program's windows ask for the user's attention; the window takes the
// focus once the user comes back to the program.
int OpenModal(QDialog &dialog);

// The report of an expected problem: a beep, then a modal box centred on the
// screen that returns when the user presses OK.
void WarningBox(QWidget *owner, const QString &message);

// The report of an unexpected failure: a modal box of the application with
// its title as caption, the stop icon and the message with its closing period.
void ErrorBox(const QString &message);

} // namespace mvx::ui
