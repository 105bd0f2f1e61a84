#include "check/VerdictText.h"
#include "check/ComparisonOutcome.h"

#include <gtest/gtest.h>

TEST(VerdictTexts, TimeIsWrittenWithUpToFourDigitsAndNoTrailingZeros)
{
    const struct {
        std::int64_t tenThousandths;
        const char *separator;
        const char *text;
    } cases[] = {
        {12340, ".", "1.234"}, {25000, ".", "2.5"}, {30000, ".", "3"},  {1, ".", "0.0001"},
        {0, ".", "0"},         {25000, ",", "2,5"}, {1, ",", "0,0001"}, {123456789, ".", "12345.6789"},
        {100000, ",", "10"},   {10, ".", "0.001"},  {5000, "٫", "0٫5"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mvx::FormatSeconds(mvx::TenThousandths(c.tenThousandths), c.separator), c.text)
            << c.tenThousandths;

    EXPECT_EQ(mvx::TimeLine(mvx::TenThousandths(25000), ","), "処理時間　2,5 秒");
    EXPECT_EQ(mvx::VerdictLine(true), "同一のファイルです");
    EXPECT_EQ(mvx::VerdictLine(false), "異なるファイルです");
}

TEST(ComparisonOutcome, TheTimeIsInWholeMillisecondsCutNotRounded)
{
    using namespace std::chrono_literals;
    EXPECT_EQ(mvx::ElapsedFromClock(1234ms).count(), 12340);
    EXPECT_EQ(mvx::ElapsedFromClock(1234999us).count(), 12340);
    EXPECT_EQ(mvx::ElapsedFromClock(999999ns).count(), 0);
    EXPECT_EQ(mvx::ElapsedFromClock(2h).count(), 72000000);
}
