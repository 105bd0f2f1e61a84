#include "check/Identity.h"

#include <gtest/gtest.h>

#include <string>

TEST(Identity, VersionLineNamesTheProgramAndItsVersion)
{
    EXPECT_STREQ(mvx::kProgramTitle, "Morvatix");
    // Two spaces before "Ver"; the version as the project gives it.
    EXPECT_EQ(std::string(mvx::kVersionLine), std::string(mvx::kProgramTitle) + "  Ver " + mvx::kVersion);
}
