// The positions a progress bar hears of: far fewer than there are blocks,
// yet drawn at every block as a bar told of each would draw it, whether the
// bar rounds its filled part or truncates it.
#include "check/BarSteps.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using mvx::BarSteps;

namespace {

// The filled pixels of a bar of that length at a position, both ways a bar
// may draw them.
std::int64_t Truncated(const BarSteps &steps, int pixels, std::int64_t done)
{
    return std::int64_t{pixels} * steps.Value(done) / steps.Maximum();
}
std::int64_t Rounded(const BarSteps &steps, int pixels, std::int64_t done)
{
    const std::int64_t range = steps.Maximum();
    return (std::int64_t{2} * pixels * steps.Value(done) + range) / (2 * range);
}

// A comparison's positions, block after block up to the end, fed to the
// steps; the bar is checked against the last position it was told of.
// Returns how many it was told of; the bar's length changes to widenedTo at
// block widenAt.
int RunToTheEnd(int pixels, int blocks, std::int64_t block, int widenAt = -1, int widenedTo = 0)
{
    BarSteps steps;
    const std::int64_t maximum = blocks * block;
    steps.SetTotal(maximum);
    steps.SetLength(pixels);
    int told = 0;
    std::int64_t shown = 0;
    for (int i = 1; i <= blocks; ++i) {
        if (i == widenAt) {
            pixels = widenedTo;
            steps.SetLength(pixels);
        }
        const std::int64_t position = i * block;
        if (steps.Tell(position)) {
            ++told;
            shown = position;
        } else if (i == widenAt) {
            ADD_FAILURE() << "a new length did not reach the bar";
        }
        EXPECT_EQ(Truncated(steps, pixels, shown), Truncated(steps, pixels, position)) << "block " << i;
        EXPECT_EQ(Rounded(steps, pixels, shown), Rounded(steps, pixels, position)) << "block " << i;
    }
    EXPECT_EQ(shown, maximum) << "the end always reaches the bar";
    return told;
}

} // namespace

TEST(BarSteps, ABarHearsOfHalfPixelStepsAndTheEndAndLooksAsIfToldOfEveryBlock)
{
    const struct {
        int pixels, blocks;
        std::int64_t block;
        int fewest, most;
    } cases[] = {
        {60, 1000, 1024, 100, 2 * 60 + 1},
        {321, 20000, 102400, 600, 2 * 321 + 1},
        {1, 500, 4096, 2, 3},
        // A small file moves the bar by whole pixels with every block.
        {321, 30, 102400, 30, 30},
        // Beyond what an int holds, the bytes are scaled down for the bar.
        {321, 40000, 102400 * 1024, 600, 2 * 321 + 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.pixels << " pixels, " << c.blocks << " blocks");
        const int told = RunToTheEnd(c.pixels, c.blocks, c.block);
        EXPECT_GE(told, c.fewest);
        EXPECT_LE(told, c.most);
    }
}

TEST(BarSteps, ABarThatGrowsDuringTheRunStaysExact)
{
    const int told = RunToTheEnd(40, 900, 4096, 450, 120);
    // Half pixels of the narrow bar's first half, then of the wide bar's second half.
    EXPECT_LE(told, 40 + 120 + 2);
}

TEST(BarSteps, ABarThatWritesItsValueHearsOfEveryNewPosition)
{
    BarSteps steps;
    steps.SetTotal(300 * 1024);
    steps.SetLength(60);
    steps.TellEveryPosition();
    int told = 0;
    for (int i = 1; i < 300; ++i)
        told += steps.Tell(i * 1024) ? 1 : 0;
    EXPECT_EQ(told, 299);
    EXPECT_FALSE(steps.Tell(299 * 1024)) << "the position shown, again";
    EXPECT_TRUE(steps.Tell(300 * 1024));
}

TEST(BarSteps, ANewRangeTellsItsFirstPositionAndAnEmptyOneIsOneUnitLong)
{
    // The idle window put its bar back to 0 after the last run; a position of
    // the next run's first half pixel must reach it again.
    BarSteps steps;
    steps.SetTotal(1000000);
    steps.SetLength(100);
    ASSERT_TRUE(steps.Tell(1000));
    ASSERT_FALSE(steps.Tell(2000));
    steps.SetTotal(1000000);
    EXPECT_TRUE(steps.Tell(2000));

    steps.SetTotal(0);
    EXPECT_EQ(steps.Maximum(), 1);
    EXPECT_TRUE(steps.Tell(0));
}
