// The Check command without a window: the shared check, reported on the
// standard streams.
#pragma once

#include "compare/FileLayer.h"

#include <string>

namespace mvx::cmp {

// Returns the exit status: identical, different, trouble or stopped.
int RunCheck(const std::string &source, const std::string &target, ReadPath readPath);

} // namespace mvx::cmp
