// FIFOs, symbolic links, devices and /proc as POSIX has them; the Windows
// counterparts are in WindowsFilesTest.cpp.
#include "compare/Compare.h"
#include "compare/CompareError.h"
#include "compare/FileLayer.h"
#include "engine/PairCompare.h"
#include "engine/Recorder.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using mvx::test::TempDir;

TEST(FileRules, OnlyRegularFilesAreFiles)
{
    TempDir dir;
    const std::string file = dir.File("file");
    mvx::test::WriteBytes(file, "abc");
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = dir.File("folder");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string link = dir.File("link");
    ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
    const std::string dangling = dir.File("dangling");
    ASSERT_EQ(::symlink(dir.File("nowhere").c_str(), dangling.c_str()), 0);

    const std::pair<std::string, bool> cases[] = {
        {file, true},      {link, true},           {fifo, false},        {folder, false},
        {dangling, false}, {dir.File("x"), false}, {"/dev/null", false}, {"", false},
    };
    for (const auto &[path, isFile] : cases)
        EXPECT_EQ(mvx::IsExistingFile(path), isFile) << path;

    // The system would read the path only up to the NUL, and so name another file.
    const std::string cut = file + std::string(1, '\0') + "-not-this-one";
    EXPECT_FALSE(mvx::IsExistingFile(cut));
    EXPECT_THROW(mvx::test::FileSizeOf(cut), mvx::CompareError);
}

TEST(FileRules, FifosAndDevicesAreRefusedWithoutBlocking)
{
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A blocking open of a FIFO without a writer would never return.
    EXPECT_THROW(mvx::test::FileSizeOf(fifo), mvx::CompareError);
    EXPECT_THROW(mvx::test::FileSizeOf("/dev/zero"), mvx::CompareError);

    for (const std::string &path : {fifo, std::string("/dev/null")}) {
        mvx::FilePair pair;
        mvx::test::Recorder recorder;
        EXPECT_EQ(pair.Open(path, "/dev/zero", recorder), mvx::FilePair::Opening::NoSource) << path;
    }
}

TEST(FileRules, AFileWhoseSizeReadsZeroIsComparedToItsEnd)
{
    // The files of /proc say they hold 0 bytes, yet hold text, and take no
    // reads past the system's cache.
    TempDir dir;
    const std::string version = "/proc/version";
    std::ostringstream read;
    read << std::ifstream(version).rdbuf();
    const std::string text = read.str();
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(mvx::test::FileSizeOf(version), 0);
    const std::string copy = dir.File("copy");
    const std::string shorter = dir.File("shorter");
    const std::string longer = dir.File("longer");
    const std::string empty = dir.File("empty");
    const std::string otherEmpty = dir.File("other-empty");
    mvx::test::WriteBytes(copy, text);
    mvx::test::WriteBytes(shorter, text.substr(0, text.size() - 1));
    mvx::test::WriteBytes(longer, text + "x");
    mvx::test::WriteBytes(empty, "");
    mvx::test::WriteBytes(otherEmpty, "");

    const struct {
        std::string source, target;
        bool same;
    } cases[] = {
        {version, copy, true},
        {copy, version, true},
        {version, "/proc/./version", true},
        {version, shorter, false},
        {longer, version, false},
        {version, empty, false},
        {"/proc/self/status", "/proc/self/limits", false},
        {empty, otherEmpty, true},
    };
    for (const auto &c : cases) {
        mvx::test::Recorder recorder;
        EXPECT_EQ(mvx::test::CompareFiles(c.source, c.target, recorder), c.same)
            << c.source << " / " << c.target;
        EXPECT_EQ(mvx::CancelRequested, 0);
    }
}
