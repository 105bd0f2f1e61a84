// The user's decimal separator, for the front ends without a toolkit that
// knows it (the Windows windows and morvatix-cmp; Qt has QLocale).
#pragma once

#include <string>

namespace mvx {

// The decimal separator of the user's number format, as UTF-8; "." when the
// system gives none.
std::string DecimalSeparator();

} // namespace mvx
