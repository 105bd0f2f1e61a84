#include "check/CheckTexts.h"
#include "check/Identity.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

using mvx::test::TempDir;

TEST(ValidatePaths, ReportsTheFirstProblemInOrder)
{
    TempDir dir;
    const std::string a = dir.File("a");
    const std::string b = dir.File("b");
    mvx::test::WriteBytes(a, "1");
    mvx::test::WriteBytes(b, "2");
    const std::string folder = dir.File("folder");
    ASSERT_TRUE(std::filesystem::create_directory(mvx::test::PathFromUtf8(folder)));
    const std::string missing = dir.File("missing");

    const struct {
        std::string source, target;
        std::optional<std::string> warning;
    } cases[] = {
        {"", "", "比較元が空白です"},
        {"", b, "比較元が空白です"},
        {a, "", "比較先が空白です"},
        {missing, missing, "同一ファイルは選択できません"},
        {a, a, "同一ファイルは選択できません"},
        {missing, b, "比較元ファイルが存在しません"},
        {folder, b, "比較元ファイルが存在しません"},
        {missing, folder, "比較元ファイルが存在しません"},
        {a, missing, "比較先ファイルが存在しません"},
        {a, folder, "比較先ファイルが存在しません"},
        {a, dir.File("./a"), std::nullopt},
        {a, b, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mvx::ValidatePaths(c.source, c.target), c.warning) << c.source << " / " << c.target;
}

TEST(VerdictTexts, TimeIsWrittenWithUpToFourDigitsAndNoTrailingZeros)
{
    const struct {
        std::int64_t elapsed;
        const char *separator;
        const char *text;
    } cases[] = {
        {12340, ".", "1.234"}, {25000, ".", "2.5"}, {30000, ".", "3"},  {1, ".", "0.0001"},
        {0, ".", "0"},         {25000, ",", "2,5"}, {1, ",", "0,0001"}, {123456789, ".", "12345.6789"},
        {100000, ",", "10"},   {10, ".", "0.001"},  {5000, "٫", "0٫5"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(mvx::FormatSeconds(c.elapsed, c.separator), c.text) << c.elapsed;

    EXPECT_EQ(mvx::ElapsedFromMilliseconds(1234), 12340);
    EXPECT_EQ(mvx::TimeLine(25000, ","), "処理時間　2,5 秒");
    EXPECT_EQ(mvx::VerdictLine(true), "同一のファイルです");
    EXPECT_EQ(mvx::VerdictLine(false), "異なるファイルです");
}

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

TEST(Identity, VersionLineNamesTheProgramAndItsVersion)
{
    EXPECT_STREQ(mvx::kProgramTitle, "Morvatix");
    // Two spaces before "Ver"; the version as the project gives it.
    EXPECT_EQ(std::string(mvx::kVersionLine), std::string(mvx::kProgramTitle) + "  Ver " + mvx::kVersion);
}
