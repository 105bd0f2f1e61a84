#include "cli/CmpProcess.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <regex>
#include <sys/stat.h>
#include <unistd.h>

using mvx::test::CmpProcess;
using mvx::test::CmpRun;
using mvx::test::Pattern;
using mvx::test::RunCmp;
using mvx::test::TempDir;
using mvx::test::WriteBytes;
using mvx::test::WriteSparse;

namespace {

std::size_t Count(const std::string &text, const std::string &part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The time line as the verdict window writes it: whole milliseconds at most,
// no trailing zeros, a point as the separator.
const std::regex kMeasuredTime("処理時間　(0|[1-9][0-9]*)(\\.[0-9]{0,2}[1-9])? 秒");

// What wipes the bar: back to the start of the line, blanks over "[", 40
// cells, "] ", a percentage padded to three places and "%", and back again.
std::string Wipe()
{
    std::string wipe(1 + 47 + 1, ' ');
    wipe.front() = '\r';
    wipe.back() = '\r';
    return wipe;
}

} // namespace

TEST(MorvatixCmp, VerdictGoesToStandardOutputWithCmpsExitStatus)
{
    const TempDir dir;
    struct Case {
        const char *name;
        std::string source;
        std::string target;
        int status;
        const char *verdict;
    };
    const std::vector<Case> cases = {
        {"identical", Pattern(250000), Pattern(250000), 0, "同一のファイルです"},
        {"last byte differs", Pattern(250000), Pattern(250000, 249999), 1, "異なるファイルです"},
        {"first byte differs", Pattern(250000), Pattern(250000, 0), 1, "異なるファイルです"},
        {"exact blocks", Pattern(204800), Pattern(204800), 0, "同一のファイルです"},
        {"both empty", "", "", 0, "同一のファイルです"},
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
        const std::string second = run.out.substr(first.size());
        ASSERT_FALSE(second.empty());
        EXPECT_EQ(second.back(), '\n');
        EXPECT_TRUE(std::regex_match(second.substr(0, second.size() - 1), kMeasuredTime)) << second;
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
    std::filesystem::create_directory(folder);
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
        {folder, b, "比較元ファイルが存在しません"},
        {a, folder, "比較先ファイルが存在しません"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("'" + c.source + "' '" + c.target + "'");
        const CmpRun run = RunCmp({c.source, c.target});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, std::string(c.message) + "\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST(MorvatixCmp, AFileThatCannotBeOpenedIsTroubleWithThePathInTheMessage)
{
    const TempDir dir;
    const std::string locked = dir.File("locked");
    const std::string open = dir.File("open");
    WriteBytes(locked, Pattern(100));
    WriteBytes(open, Pattern(100));
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    for (const auto &[source, target] : {std::pair{locked, open}, std::pair{open, locked}}) {
        SCOPED_TRACE(source);
        const CmpRun run = RunCmp({source, target}, {.withoutReadOverride = true});
        if (run.status == mvx::test::kCannotDropOverride)
            GTEST_SKIP() << "root's right to read every file cannot be given up here";
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "ファイル " + locked + " は開けません\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST(MorvatixCmp, AFileThatAnotherProgramWritesToGivesTroubleNotAVerdict)
{
    const TempDir dir;
    if (!mvx::test::LeasesWorkIn(dir))
        GTEST_SKIP() << "the temporary folder's file system cannot tell of writers";
    const std::string a = dir.File("a");
    const std::string b = dir.File("b");
    {
        SCOPED_TRACE("held open for writing before the check");
        WriteBytes(a, Pattern(100));
        WriteBytes(b, Pattern(100));
        const int held = ::open(b.c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(held, 0);
        const CmpRun run = RunCmp({a, b});
        ::close(held);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "ファイル " + b + " は開けません\n");
        EXPECT_EQ(run.out, "");
    }
    {
        SCOPED_TRACE("opened for writing while compared: the program is told, not killed");
        const std::int64_t size = std::int64_t{2} << 30;
        WriteSparse(a, size);
        WriteSparse(b, size);
        CmpProcess process({a, b}, {.errorOnTerminal = true});
        ASSERT_TRUE(process.WaitForError("%"));
        const int writer = ::open(b.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0)
            ::close(writer);
        const CmpRun run = process.Finish();
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("ストリームからの読み込みエラー"), std::string::npos) << run.err;
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
    const std::string usage = "Usage: morvatix-cmp [--] SOURCE TARGET\n"
                              "Try 'morvatix-cmp --help' for more information.\n";
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string out; // a prefix of standard output
        std::string err; // all of standard error
    };
    const std::vector<Case> cases = {
        {{"--version"}, 0, "Morvatix  Ver 2.01\n", ""},
        {{"--help"}, 0, "Usage: morvatix-cmp [--] SOURCE TARGET\n", ""},
        {{a, a, "--help"}, 0, "Usage: morvatix-cmp [--] SOURCE TARGET\n", ""},
        {{}, 2, "", "morvatix-cmp: two files are needed, 0 given\n" + usage},
        {{a}, 2, "", "morvatix-cmp: two files are needed, 1 given\n" + usage},
        {{a, a, a}, 2, "", "morvatix-cmp: two files are needed, 3 given\n" + usage},
        {{"--bogus", a, a}, 2, "", "morvatix-cmp: unrecognized option '--bogus'\n" + usage},
        {{"-s", a, a}, 2, "", "morvatix-cmp: unrecognized option '-s'\n" + usage},
        {{"--help", "--bogus"}, 2, "", "morvatix-cmp: unrecognized option '--bogus'\n" + usage},
        // After "--" everything is a file, however it looks.
        {{"--", "--help", a}, 2, "", "比較元ファイルが存在しません\n"},
        {{"--", dashed, a}, 0, "同一のファイルです\n", ""},
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

TEST(MorvatixCmp, DrawsProgressOnATerminalOnlyWhenItsTextChanges)
{
    const TempDir dir;
    // 512 blocks: a bar redrawn for every block would show it many times over.
    const std::int64_t size = std::int64_t{512} * 102400;
    WriteSparse(dir.File("a"), size, 'x');
    WriteSparse(dir.File("b"), size, 'x');
    const CmpRun run = RunCmp({dir.File("a"), dir.File("b")}, {.errorOnTerminal = true});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "同一のファイルです");
    EXPECT_NE(run.err.find("\r[" + std::string(40, '#') + "] 100%"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\r[" + std::string(40, '.') + "]   0%"), std::string::npos) << run.err;
    // Every percentage and every cell once at most: 101 + 40 drawings.
    EXPECT_LE(Count(run.err, "\r["), 141U);
    EXPECT_GE(Count(run.err, "\r["), 101U);
    // The bar is wiped before the verdict, so the terminal is left clean.
    const std::string wipe = Wipe();
    EXPECT_EQ(run.err.substr(run.err.size() - wipe.size()), wipe);
}

TEST(MorvatixCmp, CtrlCStopsTheComparisonWithCancelledAndStatus130)
{
    const TempDir dir;
    // Large enough that the comparison is still running when the signal lands.
    const std::int64_t size = std::int64_t{2} << 30;
    WriteSparse(dir.File("a"), size);
    WriteSparse(dir.File("b"), size);
    CmpProcess process({dir.File("a"), dir.File("b")}, {.errorOnTerminal = true});
    // The bar's first drawing shows that the comparison has begun.
    ASSERT_TRUE(process.WaitForError("%"));
    process.Signal(SIGINT);
    const CmpRun run = process.Finish();
    EXPECT_EQ(run.status, 130);
    EXPECT_EQ(run.out, "");
    const std::string wipe = Wipe();
    // A terminal ends each line with a carriage return before the newline.
    const std::string message = "キャンセルされました\r\n";
    ASSERT_GE(run.err.size(), wipe.size() + message.size()) << run.err;
    EXPECT_EQ(run.err.substr(run.err.size() - message.size()), message);
    EXPECT_EQ(run.err.substr(run.err.size() - message.size() - wipe.size(), wipe.size()), wipe);
    EXPECT_EQ(run.err.find("100%"), std::string::npos);
}
