// Which positions of a comparison a progress bar is told of.
//
// A large file moves the bar by a fraction of a pixel per block, while every
// position a toolkit's bar hears of costs a repaint (and in Qt signals, an
// accessibility notice and style queries). So the bar hears of a position
// only when its filled part could look different: at half-pixel steps, which
// both a rounding and a truncating bar draw exactly as they would with every
// block, and always at the ends.
#pragma once

#include <cstdint>

namespace mvx {

class BarSteps {
public:
    // A new range; the next position is told, whatever it is. An empty range
    // (two empty files) counts as one unit long, so that it shows as an empty
    // bar rather than one that nothing can be divided by.
    void SetRange(int minimum, int maximum);
    [[nodiscard]] int Minimum() const { return minimum_; }
    [[nodiscard]] int Maximum() const { return maximum_; }

    // The length of the bar's filled part when full, in pixels. A length
    // other than the last makes the next position be told.
    void SetLength(int pixels);
    // For a bar that writes its value as text: every new position shows.
    void TellEveryPosition();

    // True when the bar is to be told of this position, which then counts as
    // the one it shows.
    [[nodiscard]] bool Tell(int position);

private:
    int minimum_ = 0;
    int maximum_ = 1;
    // Half pixels along the bar; 0 when every position counts.
    std::int64_t steps_ = 0;
    std::int64_t shownStep_ = -1;
};

} // namespace mvx
