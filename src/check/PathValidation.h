// What the user is told of the two paths before anything is compared.
#pragma once

#include "compare/Compare.h"

#include <optional>
#include <string>

namespace mvx {

// The warning for the first problem with the two path texts themselves, in
// the order the user is told of them: compared as the bytes they are.
std::optional<std::string> ValidatePathTexts(const std::string &source, const std::string &target);

// The warning for a path that names no existing file, after the look-up.
std::optional<std::string> MissingFileWarning(FilePair::Opening opening);

} // namespace mvx
