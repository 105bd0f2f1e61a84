#pragma once

#include <QFont>

namespace mvx::ui {

// The family every window asks for, at the given pixel height. Where that
// family is not installed it is mapped to a metric-compatible Japanese Gothic.
QFont ProgramFont(int pixelSize);

// Makes the 12-pixel program font the application's default.
void ApplyProgramFont();

} // namespace mvx::ui
