// Windows takes a path of MAX_PATH characters or more only in its
// extended-length form, \\?\C:\... or \\?\UNC\server\share\..., unless the
// user has switched long paths on for the whole system; every Windows file
// function of the program is handed its path through here.
#pragma once

#include <string>

namespace mvx {

// The form of path to hand to a file function. A path whose full form is too
// long for the system to take plainly comes back as its full form, resolved
// as the system resolves it (against the current folder, / as \, . and ..
// followed, the dots and spaces that end the name dropped), with the prefix;
// any other path, and one that starts with \\?\ or \\.\ already, comes back
// as it is.
std::wstring ExtendedLengthPath(const std::wstring &path);

} // namespace mvx
