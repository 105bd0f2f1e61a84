// morvatix-cmp as a script sees it, the same on every platform: its output
// through pipes, its exit status. Platform-only cases: CmpPosixTest.cpp and
// CmpWindowsTest.cpp.
#include "cli/CmpProcess.h"
#include "check/Identity.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <filesystem>

using mvx::test::CmpRun;
using mvx::test::Pattern;
using mvx::test::RunCmp;
using mvx::test::TempDir;
using mvx::test::WriteBytes;

TEST(MorvatixCmp, VerdictGoesToStandardOutputWithCmpsExitStatus)
{
    const TempDir dir;
    struct Case {
        const char *name;
        std::string source;
        std::string target;
        int status;
        const char *verdict;
        std::string where; // the line after the time: where the bytes first differ, as cmp counts
    };
    const std::vector<Case> cases = {
        {"identical", Pattern(250000), Pattern(250000), 0, "同一のファイルです", ""},
        {"last byte differs", Pattern(250000), Pattern(250000, 249999), 1, "異なるファイルです",
         "differ: byte 250000\n"},
        {"first byte differs", Pattern(250000), Pattern(250000, 0), 1, "異なるファイルです",
         "differ: byte 1\n"},
        {"a byte of the second block differs", Pattern(250000), Pattern(250000, 102401), 1,
         "異なるファイルです", "differ: byte 102402\n"},
        {"exact blocks", Pattern(204800), Pattern(204800), 0, "同一のファイルです", ""},
        {"both empty", "", "", 0, "同一のファイルです", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir.File("a"), c.source);
        WriteBytes(dir.File("b"), c.target);
        const CmpRun run = RunCmp({dir.File("a"), dir.File("b")});
        EXPECT_EQ(run.status, c.status);
        // Not a terminal, so no progress bar: standard error stays empty.
        EXPECT_EQ(run.err, "");
        const std::string first = std::string(c.verdict) + "\n";
        ASSERT_EQ(run.out.substr(0, first.size()), first) << run.out;
        ASSERT_GE(run.out.size(), first.size() + c.where.size());
        EXPECT_EQ(run.out.substr(run.out.size() - c.where.size()), c.where);
        const std::string second =
            run.out.substr(first.size(), run.out.size() - first.size() - c.where.size());
        ASSERT_FALSE(second.empty());
        EXPECT_EQ(second.back(), '\n');
        EXPECT_TRUE(mvx::test::IsMeasuredTimeLine(second.substr(0, second.size() - 1))) << second;
    }
}

TEST(MorvatixCmp, SizesThatDifferAreAnsweredAtOnce)
{
    const TempDir dir;
    WriteBytes(dir.File("short"), Pattern(1000));
    WriteBytes(dir.File("long"), Pattern(1001));
    const CmpRun run = RunCmp({dir.File("short"), dir.File("long")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "異なるファイルです\n処理時間　0.0001 秒\n");
    EXPECT_EQ(run.err, "");
}

TEST(MorvatixCmp, WarnsOfTheFirstProblemWithThePathsInTheWindowsOrder)
{
    const TempDir dir;
    const std::string a = dir.File("a");
    const std::string b = dir.File("b");
    const std::string missing = dir.File("missing");
    const std::string folder = dir.File("folder");
    WriteBytes(a, Pattern(10));
    WriteBytes(b, Pattern(10));
    std::filesystem::create_directory(mvx::test::PathFromUtf8(folder));
    struct Case {
        std::string source;
        std::string target;
        const char *message;
    };
    const std::vector<Case> cases = {
        {"", b, "比較元が空白です"},
        {"", "", "比較元が空白です"},
        {a, "", "比較先が空白です"},
        {a, a, "同一ファイルは選択できません"},
        {missing, missing, "同一ファイルは選択できません"},
        {missing, b, "比較元ファイルが存在しません"},
        {missing, dir.File("also-missing"), "比較元ファイルが存在しません"},
        {a, missing, "比較先ファイルが存在しません"},
        {folder, b, "フォルダとファイルは比較できません"},
        {a, folder, "フォルダとファイルは比較できません"},
        {folder, missing, "比較先ファイルが存在しません"},
        {folder, folder, "同一ファイルは選択できません"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("'" + c.source + "' '" + c.target + "'");
        const CmpRun run = RunCmp({c.source, c.target});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, std::string(c.message) + "\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST(MorvatixCmp, AnswersHelpVersionAndMisuseAsACommandLineToolDoes)
{
    const TempDir dir;
    const std::string a = dir.File("a");
    const std::string dashed = dir.File("-dashed");
    WriteBytes(a, Pattern(10));
    WriteBytes(dashed, Pattern(10));
    const std::string usage = "Usage: morvatix-cmp [--cached] [-z] [--] SOURCE TARGET\n"
                              "Try 'morvatix-cmp --help' for more information.\n";
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string out; // a prefix of standard output
        std::string err; // all of standard error
    };
    const std::vector<Case> cases = {
        {{"--version"}, 0, std::string(mvx::kVersionLine) + "\n", ""},
        {{"--help"}, 0, "Usage: morvatix-cmp [--cached] [-z] [--] SOURCE TARGET\n", ""},
        {{a, a, "--help"}, 0, "Usage: morvatix-cmp [--cached] [-z] [--] SOURCE TARGET\n", ""},
        {{}, 2, "", "morvatix-cmp: two files or folders are needed, 0 given\n" + usage},
        {{a}, 2, "", "morvatix-cmp: two files or folders are needed, 1 given\n" + usage},
        {{a, a, a}, 2, "", "morvatix-cmp: two files or folders are needed, 3 given\n" + usage},
        {{"--bogus", a, a}, 2, "", "morvatix-cmp: unrecognized option '--bogus'\n" + usage},
        {{"-s", a, a}, 2, "", "morvatix-cmp: unrecognized option '-s'\n" + usage},
        {{"--help", "--bogus"}, 2, "", "morvatix-cmp: unrecognized option '--bogus'\n" + usage},
        // After "--" everything is a file, however it looks.
        {{"--", "--help", a}, 2, "", "比較元ファイルが存在しません\n"},
        {{"--", dashed, a}, 0, "同一のファイルです\n", ""},
        {{"--cached", dashed, a}, 0, "同一のファイルです\n", ""},
        // A lone "-" is a file name, as for any other tool.
        {{"-", a}, 2, "", "比較元ファイルが存在しません\n"},
    };
    for (const Case &c : cases) {
        std::string line;
        for (const std::string &argument : c.arguments)
            line += " '" + argument + "'";
        SCOPED_TRACE(line);
        const CmpRun run = RunCmp(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
        if (c.out.empty()) {
            EXPECT_EQ(run.out, "");
        }
        EXPECT_EQ(run.err, c.err);
    }
}
