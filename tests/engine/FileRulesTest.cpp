// FIFOs, symbolic links, devices and /proc as POSIX has them; the Windows
// counterparts are in WindowsFilesTest.cpp.
#include "compare/Compare.h"
#include "compare/CompareError.h"
#include "compare/FileLayer.h"
#include "compare/ReaderThread.h"
#include "engine/Recorder.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

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
    EXPECT_THROW(mvx::FileSizeOf(cut), mvx::CompareError);
}

TEST(FileRules, FifosAndDevicesAreRefusedWithoutBlocking)
{
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A blocking open of a FIFO without a writer would never return.
    EXPECT_THROW(mvx::FileSizeOf(fifo), mvx::CompareError);
    EXPECT_THROW(mvx::FileSizeOf("/dev/zero"), mvx::CompareError);

    mvx::test::Recorder recorder;
    EXPECT_THROW(mvx::CompareFiles("/dev/null", "/dev/zero", 0, recorder), mvx::CompareError)
        << "two devices of size 0 are not two identical files";
    EXPECT_THROW(mvx::CompareFiles(fifo, fifo, 0, recorder), mvx::CompareError);
    EXPECT_TRUE(recorder.calls.empty());
}

TEST(FileRules, AFileLongerThanItsSizeSaysIsNotCalledIdentical)
{
    // Both say they hold 0 bytes, yet their contents differ.
    const std::string status = "/proc/self/status";
    const std::string limits = "/proc/self/limits";
    ASSERT_TRUE(mvx::IsExistingFile(status));
    ASSERT_EQ(mvx::FileSizeOf(status), mvx::FileSizeOf(limits));
    mvx::test::Recorder recorder;
    try {
        mvx::CompareFiles(status, limits, mvx::FileSizeOf(status), recorder);
        FAIL() << "called identical";
    } catch (const mvx::CompareError &e) {
        EXPECT_STREQ(e.what(), "ストリームからの読み込みエラー");
    }
}

namespace {

// Waits as long as it takes.
class Patient final : public mvx::WhileWaiting {
public:
    bool GoOn(std::chrono::steady_clock::duration) override { return true; }
    void Answered() override {}
};

std::shared_ptr<char> Buffer(std::size_t length, char fill)
{
    const auto bytes = std::make_shared<std::string>(length, fill);
    return {bytes, bytes->data()};
}

} // namespace

TEST(FileRules, ReadingAheadLeavesTheFileToBeReadFromItsStart)
{
    constexpr std::size_t kRun = std::size_t{2} << 20;
    struct Case {
        const char *name;
        std::int64_t size;
        std::size_t run;
    };
    const Case cases[] = {
        {"empty", 0, kRun},
        {"shorter than the run", 5000, kRun},
        {"longer than the run", 3 * (1 << 20) + 7, kRun},
        {"a run that is no whole number of buffers", 400000, 250000},
    };
    TempDir dir;
    Patient patient;
    mvx::ReaderThread reader(patient);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("file");
        const std::string bytes = mvx::test::Pattern(c.size);
        mvx::test::WriteBytes(path, bytes);
        mvx::ReadOnlyFile file(path);
        ASSERT_TRUE(file.StartReadingAhead(c.run, Buffer(mvx::kBlockLength, 'x'), mvx::kBlockLength, reader));
        const std::shared_ptr<char> read = Buffer(bytes.size() + 1, '\0');
        const std::optional<std::size_t> got = file.Read(read, bytes.size() + 1, 0, reader);
        ASSERT_TRUE(got.has_value());
        EXPECT_TRUE(std::string(read.get(), *got) == bytes)
            << "read " << *got << " of " << bytes.size() << " bytes";
    }

    // A file system that cannot start a read without waiting for it.
    const std::string status = "/proc/self/status";
    mvx::ReadOnlyFile file(status);
    ASSERT_TRUE(file.StartReadingAhead(kRun, Buffer(100, 'x'), 100, reader));
    const std::shared_ptr<char> start = Buffer(5, '\0');
    ASSERT_EQ(file.Read(start, 5, 0, reader), std::optional<std::size_t>(5));
    EXPECT_EQ(std::string(start.get(), 5), "Name:");
}
