// Window placement and the Warning box shared by every window.
#pragma once

#include <QString>

class QWidget;

namespace mvx::ui {

// Places the window's outer frame in the middle of the primary screen.
void CentreOnScreen(QWidget &window);

// The report of an expected problem: a beep, then a modal box centred on the
// screen that returns when the user presses OK.
void WarningBox(QWidget *owner, const QString &message);

} // namespace mvx::ui
