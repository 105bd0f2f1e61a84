// Which positions of a comparison a progress bar is told of, and in what
// units.
//
// A toolkit's bar counts in an int; bytes beyond what one holds are shifted
// down just enough to fit, so that the bar still starts at 0 and ends exactly
// full. A large file moves the bar by a fraction of a pixel per block, while
// every position a toolkit's bar hears of costs a repaint (and in Qt signals,
// an accessibility notice and style queries). So the bar hears of a position
// only when its filled part could look different: at half-pixel steps, which
// both a rounding and a truncating bar draw exactly as they would with every
// block, and always at the ends.
#pragma once

#include <cstdint>

namespace mvx {

class BarSteps {
public:
    // A comparison of total bytes: the bar's range is 0 to Maximum(), and the
    // next position is told, whatever it is. Nothing to compare (two empty
    // files) counts as one unit long, so that it shows as an empty bar rather
    // than one that nothing can be divided by.
    void SetTotal(std::int64_t total);
    [[nodiscard]] std::int64_t Total() const { return total_; }
    [[nodiscard]] int Maximum() const;
    // Bytes done, in the bar's units.
    [[nodiscard]] int Value(std::int64_t done) const;

    // The length of the bar's filled part when full, in pixels. A length
    // other than the last makes the next position be told.
    void SetLength(int pixels);
    // For a bar that writes its value as text: every new position shows.
    void TellEveryPosition();

    // True when the bar is to be told of this many bytes done, which then
    // count as what it shows.
    [[nodiscard]] bool Tell(std::int64_t done);

private:
    std::int64_t total_ = -1;
    int shift_ = 0;
    // Half pixels along the bar; 0 when every position counts.
    std::int64_t steps_ = 0;
    std::int64_t shownStep_ = -1;
};

} // namespace mvx
