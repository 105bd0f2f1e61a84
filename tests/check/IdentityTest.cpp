#include "check/Identity.h"

#include <gtest/gtest.h>

TEST(Identity, VersionLineNamesTheProgramAndItsVersion)
{
    EXPECT_STREQ(mvx::kVersionLine, "Morvatix  Ver 2.01");
}
