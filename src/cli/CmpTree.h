// morvatix-cmp on two folders: the two trees compared, each difference a line
// on standard output, what could not be read on standard error.
#pragma once

#include "compare/FileLayer.h"

#include <string>

namespace mvx::cmp {

// Returns the exit status: identical, different, trouble (also when anything
// could not be read) or stopped. lineEnd ends each line on standard output.
int RunTree(const std::string &source, const std::string &target, ReadPath readPath, char lineEnd);

} // namespace mvx::cmp
