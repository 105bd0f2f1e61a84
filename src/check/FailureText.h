// What the Error box says of a failure that left a command, in every window
// front end.
#pragma once

#include <exception>
#include <string>

namespace mvx {

// A failure's message as the Error box shows it: a period is added unless the
// text is empty or its last byte is at most '.' (line breaks, blanks, "!" to
// "."). The last byte of a multi-byte UTF-8 character always lies above, so
// such a character always gets the period.
std::string WithClosingPeriod(const std::string &message);

// What the Error box says of a failure: its own message, or a general one
// for a failure that carries none.
std::string FailureMessage(const std::exception_ptr &failure);

} // namespace mvx
