// The command line of morvatix-cmp: two files or two folders, or a request for
// help or the version, or something it cannot use.
#pragma once

#include "compare/FileLayer.h"

#include <string>

namespace mvx::cmp {

struct CmpRequest {
    enum class Kind { Compare, Help, Version, Usage };
    Kind kind = Kind::Usage;
    std::string source;
    std::string target;
    ReadPath readPath = ReadPath::Device; // --cached: through the system's cache
    char lineEnd = '\n';                  // -z: lines on standard output end with NUL
    std::string problem;                  // for Usage: what was wrong with the command line
};

// Options may stand anywhere before a lone "--"; a lone "-" is a file name.
// An unknown option makes the whole line unusable, even next to --help.
CmpRequest ParseArguments(int argc, const char *const *argv);

} // namespace mvx::cmp
