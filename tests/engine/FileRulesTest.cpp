// FIFOs, symbolic links, devices and /proc as POSIX has them; the Windows
// counterparts are in WindowsFilesTest.cpp.
#include "compare/Compare.h"
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
    EXPECT_THROW(mvx::test::FileSizeOf(cut), mvx::FileError);
}

TEST(FileRules, FifosAndDevicesAreRefusedWithoutBlocking)
{
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A blocking open of a FIFO without a writer would never return.
    EXPECT_THROW(mvx::test::FileSizeOf(fifo), mvx::FileError);
    EXPECT_THROW(mvx::test::FileSizeOf("/dev/zero"), mvx::FileError);

    for (const std::string &path : {fifo, std::string("/dev/null")}) {
        mvx::test::Recorder recorder;
        EXPECT_EQ(mvx::test::OpeningOf(path, "/dev/zero", recorder), mvx::FilePair::Opening::NoSource)
            << path;
    }
}

TEST(FileRules, PseudoFilesAreComparedToTheirEndWhateverSizeTheyReport)
{
    // The files of /proc say they hold 0 bytes, those of /sys 4096, yet hold
    // text of another length, and take no reads past the system's cache.
    TempDir dir;
    const std::string version = "/proc/version";
    const std::string sysfs = "/sys/kernel/mm/transparent_hugepage/enabled";
    const auto textOf = [](const std::string &path) {
        std::ostringstream read;
        read << std::ifstream(path).rdbuf();
        return read.str();
    };
    const std::string text = textOf(version);
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(mvx::test::FileSizeOf(version), 0);
    ASSERT_NE(mvx::test::FileSizeOf(sysfs), static_cast<std::int64_t>(textOf(sysfs).size()))
        << "sysfs no longer reports a size other than its text's: pick another of its files";
    const std::string sysfsCopy = dir.File("sysfs-copy");
    mvx::test::WriteBytes(sysfsCopy, textOf(sysfs));
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
        {sysfs, sysfsCopy, true},
        {"/sys/kernel/mm/../mm/transparent_hugepage/enabled", sysfs, true},
    };
    for (const auto &c : cases) {
        mvx::test::Recorder recorder;
        EXPECT_EQ(mvx::test::CompareFiles(c.source, c.target, recorder), c.same)
            << c.source << " / " << c.target;
    }
}
