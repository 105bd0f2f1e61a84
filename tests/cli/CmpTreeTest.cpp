// morvatix-cmp on two folders, run as a real process over real trees: each
// difference one line, in the walk's order, the verdict last, cmp's statuses.
#include "cli/CmpProcess.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using mvx::test::CmpRun;
using mvx::test::Pattern;
using mvx::test::RunCmp;
using mvx::test::TempDir;
using mvx::test::WriteBytes;

namespace {

constexpr std::int64_t kDeepSize = 300000;

// Two equal trees, a and b, for a case to make differ.
struct Trees {
    TempDir dir;
    std::string a = dir.File("a");
    std::string b = dir.File("b");
    Trees()
    {
        for (const std::string &root : {a, b}) {
            std::filesystem::create_directories(mvx::test::PathFromUtf8(root + "/sub/deep"));
            WriteBytes(root + "/sub/deep/file.bin", Pattern(kDeepSize));
            WriteBytes(root + "/top.txt", "top");
        }
    }
    void Folder(const std::string &path) const
    {
        std::filesystem::create_directories(mvx::test::PathFromUtf8(path));
    }
};

// Standard output, split into its lines.
std::vector<std::string> Lines(const std::string &out, char end = '\n')
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = out.find(end, from)) != std::string::npos; from = at + 1)
        lines.push_back(out.substr(from, at - from));
    return lines;
}

struct Case {
    const char *name;
    std::function<void(const Trees &)> change;
    int status;
    std::vector<std::string> differences;
};

void Check(const Case &c)
{
    SCOPED_TRACE(c.name);
    const Trees trees;
    c.change(trees);
    const CmpRun run = RunCmp({trees.a, trees.b});
    EXPECT_EQ(run.status, c.status) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 2U) << run.out;
    EXPECT_EQ(lines[lines.size() - 2], c.status == 0 ? "同一のファイルです" : "異なるファイルです");
    EXPECT_TRUE(mvx::test::IsMeasuredTimeLine(lines.back())) << lines.back();
    lines.resize(lines.size() - 2);
    EXPECT_EQ(lines, c.differences);
}

const std::vector<Case> kCases = {
    {"identical", [](const Trees &) {}, 0, {}},
    {"the last byte deep in the tree",
     [](const Trees &t) { WriteBytes(t.b + "/sub/deep/file.bin", Pattern(kDeepSize, kDeepSize - 1)); },
     1,
     {"differ: byte 300000: sub/deep/file.bin"}},
    {"a file and an empty folder on one side only",
     [](const Trees &t) {
         std::filesystem::remove(mvx::test::PathFromUtf8(t.b + "/top.txt"));
         t.Folder(t.b + "/empty");
         t.Folder(t.a + "/sub/gone/deeper");
     },
     1,
     {"only in target: empty", "only in source: sub/gone", "only in source: top.txt"}},
    {"a file against a folder, and sizes that differ",
     [](const Trees &t) {
         WriteBytes(t.a + "/kind", "file");
         t.Folder(t.b + "/kind");
         WriteBytes(t.b + "/top.txt", "longer");
     },
     1,
     {"differ: kind: kind", "differ: size: top.txt"}},
};

} // namespace

TEST(MorvatixCmpTrees, EachDifferenceIsOneLineInTheWalksOrderAndTheVerdictComesLast)
{
    for (const Case &c : kCases)
        Check(c);
}

TEST(MorvatixCmpTrees, AFolderAgainstAFileIsTroubleAndLinesMayEndWithNul)
{
    const Trees trees;
    const CmpRun againstFile = RunCmp({trees.a, trees.a + "/top.txt"});
    EXPECT_EQ(againstFile.status, 2);
    EXPECT_EQ(againstFile.err, "フォルダとファイルは比較できません\n");
    EXPECT_EQ(againstFile.out, "");

#ifdef _WIN32
    const std::string name = "new line";
#else
    const std::string name = "new\nline";
#endif
    WriteBytes(trees.b + "/" + name, "x");
    const CmpRun nul = RunCmp({"-z", trees.a, trees.b});
    EXPECT_EQ(nul.status, 1);
    ASSERT_EQ(Lines(nul.out, '\0').size(), 3U) << nul.out;
    EXPECT_EQ(Lines(nul.out, '\0').front(), "only in target: " + name);
}

#ifndef _WIN32
TEST(MorvatixCmpTrees, LinksAreComparedAsTextNamesAsBytesAndFifosAreNeverOpened)
{
    const auto link = [](const std::string &to, const std::string &at) {
        ASSERT_EQ(::symlink(to.c_str(), at.c_str()), 0);
    };
    Check({"links, two Unicode forms of a name, FIFOs",
           [&](const Trees &t) {
               link("top.txt", t.a + "/same");
               link("top.txt", t.b + "/same");
               link("top.txt", t.a + "/moved");
               link("sub/deep/file.bin", t.b + "/moved");
               // A link to a folder is not walked into.
               link("sub", t.a + "/folder-link");
               link("sub", t.b + "/folder-link");
               WriteBytes(t.a + "/caf\xC3\xA9", "x");
               WriteBytes(t.b + "/cafe\xCC\x81", "x");
               // No writer: an open of either would wait for ever.
               ASSERT_EQ(::mkfifo((t.a + "/pipe").c_str(), 0600), 0);
               ASSERT_EQ(::mkfifo((t.b + "/pipe").c_str(), 0600), 0);
           },
           1,
           {"only in target: cafe\xCC\x81", "only in source: caf\xC3\xA9", "differ: link target: moved"}});
}

TEST(MorvatixCmpTrees, ATreeDeeperThanTheLongestPathIsWalkedToItsBottom)
{
    const Trees trees;
    // Each level named relative to the one above, as no path reaches the bottom.
    const std::string level(100, 'd');
    std::string relative;
    for (const std::string &root : {trees.a, trees.b}) {
        int folder = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        relative.clear();
        for (int depth = 0; depth < 50; ++depth) {
            ASSERT_EQ(::mkdirat(folder, level.c_str(), 0700), 0);
            const int next = ::openat(folder, level.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(folder);
            folder = next;
            relative += (relative.empty() ? "" : "/") + level;
        }
        const int file = ::openat(folder, "bottom", O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const char byte = root == trees.a ? 'a' : 'b';
        ASSERT_EQ(::write(file, &byte, 1), 1);
        ::close(file);
        ::close(folder);
    }
    ASSERT_GT(relative.size(), static_cast<std::size_t>(PATH_MAX));
    const CmpRun run = RunCmp({trees.a, trees.b});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(Lines(run.out).front(), "differ: byte 1: " + relative + "/bottom");
}
#endif
