// The checks on the two path texts before anything is opened.
#pragma once

#include <optional>
#include <string>

namespace mvx {

// The warning for the first problem with the two path texts, in the order the
// user is told of them, or nothing when both name different existing files.
// The texts are compared as the bytes they are.
std::optional<std::string> ValidatePaths(const std::string &source, const std::string &target);

} // namespace mvx
