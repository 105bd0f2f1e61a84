// What the program answers on its command line without opening a window.
#pragma once

#include <optional>
#include <string>

namespace mvx {

// The text for `morvatix --help` or `morvatix --version`, exactly that one
// parameter; nothing for every other command line, which the window takes
// (two parameters fill its fields, whatever they look like). It is decided
// before the application object exists, which needs a display.
std::optional<std::string> ProgramAnswer(int argc, const char *const *argv);

} // namespace mvx
