// What a start of the window program says when the running instance does
// not answer it (stopped, or stuck): one line on standard error, for the
// terminal or the script that started it, and the status it ends with. The
// same on Linux and on Windows.
#pragma once

namespace mvx {

inline constexpr const char *kNoAnswerLine =
    "morvatix: Morvatix is running but does not answer; this start gives up and opens no window\n";
inline constexpr int kNoAnswerStatus = 1;

} // namespace mvx
