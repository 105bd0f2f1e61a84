// morvatix-cmp on Linux: files the system will not let it read, writers
// that a lease holds back, the progress bar on a terminal and Ctrl-C as
// SIGINT. On Windows, where none of these is reached this way, the same
// faults are looked for in CmpWindowsTest.cpp: a file held open for writing
// by another program, and Ctrl-C and the bar on a console.
#include "cli/CmpProcess.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
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
