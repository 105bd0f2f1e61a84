// What morvatix-cmp needs from the system it runs on: its standard streams.
// Text inside the program is UTF-8.
#pragma once

#include <string_view>

namespace mvx::cmp {

enum class StandardStream { Output, Error };

// Writes all of the text, as it stands to a pipe or a file, and so that a
// console shows its characters when the stream is one. Line ends are "\n" on
// every platform, so that scripts read the same bytes everywhere. False when
// not all of it could be written.
bool WriteText(StandardStream stream, std::string_view text);

// True when the stream is a terminal or a console, which a person reads.
bool IsConsole(StandardStream stream);

} // namespace mvx::cmp
