// The outcome of a check, written by the Check command and read by whatever
// shows the verdict.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ratio>

namespace mvx {

// The time a check took, as the verdict shows it: seconds with four decimal
// places, held as a signed 64-bit count of ten-thousandths.
using TenThousandths = std::chrono::duration<std::int64_t, std::ratio<1, 10000>>;

// The outcome of the last check.
struct ComparisonOutcome {
    ComparisonOutcome() = default;
    ComparisonOutcome(bool same, TenThousandths elapsed, std::optional<std::int64_t> firstDifference = {})
        : SameFile(same), ElapsedSeconds(elapsed), FirstDifference(firstDifference)
    {}

    bool SameFile = false;
    TenThousandths ElapsedSeconds{0};
    // Where the bytes compared first differ, counted from 0; nothing when
    // they did not, or sizes that differ made reading them needless.
    std::optional<std::int64_t> FirstDifference;
};

// A size mismatch is answered at once, with this smallest visible time.
inline constexpr TenThousandths kSizeMismatchElapsed{1};

// A comparison is timed in whole milliseconds, cut rather than rounded, as a
// millisecond tick count would time it: the fourth decimal place is always 0.
constexpr TenThousandths ElapsedFromClock(std::chrono::steady_clock::duration elapsed)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed);
}

} // namespace mvx
