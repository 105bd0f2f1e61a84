// The program as the installer leaves it, started from its installed folder.
// Run only from the installer's test, which names that folder in
// MVX_INSTALLED_FOLDER.
#include "WindowDriver.h"

#include <gtest/gtest.h>

namespace mvx::test {
namespace {

TEST(Installed, TheInstalledProgramStartsWithItsWindow)
{
    std::wstring folder(32768, L'\0');
    folder.resize(GetEnvironmentVariableW(L"MVX_INSTALLED_FOLDER", folder.data(), 32768));
    ASSERT_FALSE(folder.empty()) << "MVX_INSTALLED_FOLDER names no folder: the installer's test sets it";

    const Morvatix program(L"", folder + L"\\morvatix.exe");
    ASSERT_NE(program.Main(), nullptr);
    EXPECT_EQ(TextOf(program.Main()), L"Morvatix");
    EXPECT_TRUE(IsWindowVisible(program.Main()));
}

} // namespace
} // namespace mvx::test
