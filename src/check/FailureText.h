// What the Error box says of a failure that left a command, in every front
// end: the texts for the engine's failures are chosen here.
#pragma once

#include "compare/FileFailure.h"

#include <exception>
#include <string>

namespace mvx {

// A failure's message as the Error box shows it: a period is added unless the
// text is empty or its last byte is at most '.' (line breaks, blanks, "!" to
// "."). The last byte of a multi-byte UTF-8 character always lies above, so
// such a character always gets the period.
std::string WithClosingPeriod(const std::string &message);

// What the user is told of a file that failed: one that cannot be opened is
// named; one that did not give or keep its bytes is a read error.
std::string FailureText(const FileFailure &failure);
// The same, naming the file whatever failed: one among the many of a tree.
std::string NamedFailureText(const FileFailure &failure);

// What the Error box says of a failure: the text of a file's failure, the
// message of any other, or a general one for a failure that carries none.
std::string FailureMessage(const std::exception_ptr &failure);

} // namespace mvx
