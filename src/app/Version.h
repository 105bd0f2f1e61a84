// The program's name and version as the user reads them; plain text, so the
// command-line front end can use it without Qt.
#pragma once

namespace mvx {

inline constexpr const char *kTitleText = "Morvatix";
inline constexpr const char *kVersionLine = "Morvatix  Ver 2.01";

} // namespace mvx
