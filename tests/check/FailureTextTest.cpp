#include "check/FailureText.h"

#include <gtest/gtest.h>

TEST(ErrorBoxText, GetsAClosingPeriodUnlessItsLastByteIsAtMostAPeriod)
{
    const struct {
        const char *message, *shown;
    } cases[] = {
        {"ファイル x は開けません", "ファイル x は開けません."},
        {"stopped.", "stopped."},
        {"ok!", "ok!"},
        {"(x)", "(x)"},
        {"path/", "path/."},
        {"a", "a."},
        {"-", "-"},
        {"9", "9."},
        {"?", "?."},
        {"line\n", "line\n"},
        {"a ", "a "},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mvx::WithClosingPeriod(c.message), c.shown) << c.message;
}
