// The program's icon, the same drawing as the desktop entry's.
#pragma once

#include <QIcon>

namespace mvx::ui {

// Drawn from the SVG at whatever size is asked for; null without Qt's SVG
// icon engine.
QIcon ProgramIcon();

} // namespace mvx::ui
