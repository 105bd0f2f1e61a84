#pragma once

namespace mvx::ui {

// Makes the program's 12-pixel font the application's default. Its family is
// mapped to a metric-compatible Japanese Gothic where it is not installed.
// Called once, before the first window.
void ApplyProgramFont();

} // namespace mvx::ui
