// The Check command without a window: the shared check, reported on the
// standard streams; and two trees.
#pragma once

#include "cli/CmpArguments.h"

namespace mvx::cmp {

// Two files compared as the Check command compares them, or two folders as
// trees. Returns the exit status: identical, different, trouble or stopped.
int RunCompare(const CmpRequest &request);

} // namespace mvx::cmp
