// The outcome of a check, written by the Check command and read by whatever
// shows the verdict.
#pragma once

#include <cstdint>

namespace mvx {

// The outcome of the last check. ElapsedSeconds counts ten-thousandths.
struct ComparisonOutcome {
    bool SameFile = false;
    std::int64_t ElapsedSeconds = 0;
};

// A size mismatch is answered at once, with this smallest visible time.
inline constexpr std::int64_t kSizeMismatchElapsed = 1;

// ElapsedSeconds for a whole number of milliseconds.
constexpr std::int64_t ElapsedFromMilliseconds(std::int64_t milliseconds)
{
    return milliseconds * 10;
}

} // namespace mvx
