// What the medium holds, on real file systems over a loop device whose image
// file is the medium: the verdict is about the device, not about what the
// system's cache remembers of it, and the cache is left as it was found.
#include "compare/Compare.h"
#include "engine/PairCompare.h"
#include "engine/Recorder.h"
#include "support/LoopFileSystem.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sys/mman.h>
#include <unistd.h>

using mvx::ReadPath;
using mvx::test::CompareFiles;
using mvx::test::LoopFileSystem;
using mvx::test::Pattern;
using mvx::test::Recorder;

namespace {

// Three requests and a bit: the lost block lies in one read ahead.
const std::string kBytes = Pattern(3 * static_cast<std::int64_t>(mvx::kRequestLength) + 5000);
constexpr std::int64_t kLostAt = 5 * 1024 * 1024;
const char *const kKinds[] = {"ext4", "xfs"};

bool Compared(const std::string &source, const std::string &target, ReadPath readPath)
{
    Recorder recorder;
    return CompareFiles(source, target, recorder, readPath);
}

void Write(const std::string &path, const std::string &bytes, bool toTheMedium)
{
    std::ofstream(path, std::ios::binary) << bytes;
    if (toTheMedium) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::fsync(fd), 0);
        ::close(fd);
    }
}

// Pages of the file in the system's cache.
std::size_t CachedPages(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const auto length = static_cast<std::size_t>(::lseek(fd, 0, SEEK_END));
    void *map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> resident((length + page - 1) / page);
    ::mincore(map, length, resident.data());
    ::munmap(map, length);
    return static_cast<std::size_t>(
        std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }));
}

void Evict(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

} // namespace

TEST(Medium, ABlockLostOnTheMediumUnderItsCachedPagesIsADifference)
{
    for (const char *kind : kKinds) {
        SCOPED_TRACE(kind);
        const LoopFileSystem fs(kind);
        const std::string source = fs.File("source");
        const std::string target = fs.File("target");
        Write(source, kBytes, true);
        Write(target, kBytes, true);
        // The copy is read once, so its pages are cached; then the medium
        // loses a block of it, as a stick does that acknowledged a write it
        // did not keep.
        ASSERT_TRUE(Compared(source, target, ReadPath::Cache));
        const std::int64_t lost = LoopFileSystem::OnMedium(target, kLostAt);
        ASSERT_GE(lost, 0);
        fs.WriteMedium(lost, std::string(4096, '\0'));

        EXPECT_TRUE(Compared(source, target, ReadPath::Cache)) << "the cache still remembers the copy";
        EXPECT_FALSE(Compared(source, target, ReadPath::Device));
    }
}

TEST(Medium, ACopyComparedRightAfterItWasWrittenIsCalledIdenticalOnceTheMediumHoldsIt)
{
    for (const char *kind : kKinds) {
        SCOPED_TRACE(kind);
        const LoopFileSystem fs(kind);
        const std::string source = fs.File("source");
        const std::string target = fs.File("target");
        Write(source, kBytes, true);
        Write(target, kBytes, false);
        ASSERT_EQ(LoopFileSystem::OnMedium(target, 0), -1) << "the copy is only in the cache yet";

        EXPECT_TRUE(Compared(source, target, ReadPath::Device));
        const std::int64_t at = LoopFileSystem::OnMedium(target, 0);
        ASSERT_GE(at, 0);
        EXPECT_TRUE(fs.ReadMedium(at, 4096) == kBytes.substr(0, 4096));
        const std::int64_t last = static_cast<std::int64_t>(kBytes.size()) - 1;
        EXPECT_EQ(fs.ReadMedium(LoopFileSystem::OnMedium(target, last), 1), kBytes.substr(kBytes.size() - 1));
    }
}

TEST(Medium, ReadsFromTheDevicesLeaveTheCacheAsTheyFoundIt)
{
    const LoopFileSystem fs("ext4");
    const std::string source = fs.File("source");
    const std::string target = fs.File("target");
    Write(source, kBytes, true);
    Write(target, kBytes, true);
    Evict(source);
    Evict(target);
    ASSERT_EQ(CachedPages(source) + CachedPages(target), 0U);

    EXPECT_TRUE(Compared(source, target, ReadPath::Device));
    EXPECT_EQ(CachedPages(source), 0U);
    EXPECT_EQ(CachedPages(target), 0U);
    EXPECT_TRUE(Compared(source, target, ReadPath::Cache));
    EXPECT_GT(CachedPages(target), 0U) << "through the cache, the pages stay";
}
