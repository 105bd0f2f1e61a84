// How the verdict reads, in the verdict window and on standard output alike.
#pragma once

#include "check/ComparisonOutcome.h"

#include <string>

namespace mvx {

// Up to four fraction digits, no trailing zeros, no separator for a whole number.
std::string FormatSeconds(TenThousandths elapsed, const std::string &decimalSeparator);

// The verdict's two lines, without the indentation the verdict window adds.
std::string VerdictLine(bool sameFile);
std::string TimeLine(TenThousandths elapsed, const std::string &decimalSeparator);

} // namespace mvx
