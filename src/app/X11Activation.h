// Activation on X11 with the startup id that the desktop's launcher gave a
// later start (DESKTOP_STARTUP_ID): the window takes the id, asks the window
// manager for the focus with the launch's time, and the launch's busy
// feedback ends, since the later start shows no window of its own.
#pragma once

#include <QByteArray>

class QWidget;

namespace mvx {

// Does nothing unless the application runs on X11.
void ActivateWithStartupId(QWidget &window, const QByteArray &startupId);

} // namespace mvx
