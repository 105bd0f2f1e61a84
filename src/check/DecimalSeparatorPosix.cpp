#include "check/DecimalSeparator.h"

#include <clocale>

namespace mvx {

// The program's own numbers stay in the "C" locale; only this answer is the user's.
std::string DecimalSeparator()
{
    std::setlocale(LC_NUMERIC, "");
    std::string separator = std::localeconv()->decimal_point;
    std::setlocale(LC_NUMERIC, "C");
    return separator;
}

} // namespace mvx
