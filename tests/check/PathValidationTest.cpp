#include "check/PathValidation.h"
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
