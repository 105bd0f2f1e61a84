// What the medium holds, on real file systems over a loop device whose image
// file is the medium: the verdict is about the device, not about what the
// system's cache remembers of it, and the cache is left as it was found.
#include "compare/Compare.h"
#include "engine/PairCompare.h"
#include "engine/Recorder.h"
#include "support/LoopFileSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

using mvx::ReadPath;
using mvx::test::LoopFileSystem;
using mvx::test::Pattern;
using mvx::test::Recorder;

namespace {

// Three requests and a bit: the lost block lies in one read ahead.
const std::string kBytes = Pattern(3 * static_cast<std::int64_t>(mvx::kRequestLength) + 5000);
constexpr std::int64_t kLostAt = 5 * 1024 * 1024;

struct Kind {
    const char *name;
    const char *options;
};
// btrfs reads compressed extents through its cache, even when asked for a
// read past it; forced, it compresses whatever it is given.
const Kind kKinds[] = {{"ext4", ""}, {"xfs", ""}, {"btrfs", ""}, {"btrfs", "compress-force=zstd"}};

std::string Verdict(const std::string &source, const std::string &target, ReadPath readPath)
{
    Recorder recorder;
    return mvx::test::Outcome(
        [&] { return std::string(CompareFiles(source, target, recorder, readPath) ? "true" : "false"); });
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

// Its first half read through the cache, and nothing after it.
void HalfCache(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    std::string half(kBytes.size() / 2, '\0');
    EXPECT_EQ(::pread(fd, half.data(), half.size(), 0), static_cast<ssize_t>(half.size()));
    ::close(fd);
}

// What the cache holds of the file once the pages that the program gives
// back have come, at least expected; they come in the background.
std::size_t CachedPagesSettled(const std::string &path, std::size_t expected)
{
    for (int tries = 0; tries < 100 && CachedPages(path) < expected; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return CachedPages(path);
}

} // namespace

TEST(Medium, ABlockLostOnTheMediumUnderItsCachedPagesIsNeverCalledIdentical)
{
    for (const Kind &kind : kKinds) {
        SCOPED_TRACE(std::string(kind.name) + " " + kind.options);
        const LoopFileSystem fs(kind.name, kind.options);
        const std::string source = fs.File("source");
        const std::string target = fs.File("target");
        Write(source, kBytes, true);
        Write(target, kBytes, true);
        // The copy is read once, so its pages are cached; then the medium
        // loses a block of it, as a stick does that acknowledged a write it
        // did not keep.
        ASSERT_EQ(Verdict(source, target, ReadPath::Cache), "true");
        const std::int64_t lost = fs.OnMedium(target, kLostAt);
        ASSERT_GE(lost, 0);
        fs.WriteMedium(lost, std::string(4096, '\0'));

        EXPECT_EQ(Verdict(source, target, ReadPath::Cache), "true") << "the cache still remembers the copy";
        EXPECT_NE(Verdict(source, target, ReadPath::Device), "true");
    }
}

TEST(Medium, ACopyComparedRightAfterItWasWrittenIsCalledIdenticalOnceTheMediumHoldsIt)
{
    for (const Kind &kind : kKinds) {
        SCOPED_TRACE(std::string(kind.name) + " " + kind.options);
        const LoopFileSystem fs(kind.name, kind.options);
        const std::string source = fs.File("source");
        const std::string target = fs.File("target");
        Write(source, kBytes, true);
        Write(target, kBytes, false);
        ASSERT_EQ(fs.OnMedium(target, 0), -1) << "the copy is only in the cache yet";

        EXPECT_EQ(Verdict(source, target, ReadPath::Device), "true");
        const std::int64_t at = fs.OnMedium(target, 0);
        ASSERT_GE(at, 0);
        if (std::string(kind.options).empty()) {
            EXPECT_TRUE(fs.ReadMedium(at, 4096) == kBytes.substr(0, 4096));
            const std::int64_t last = static_cast<std::int64_t>(kBytes.size()) - 1;
            EXPECT_EQ(fs.ReadMedium(fs.OnMedium(target, last), 1), kBytes.substr(kBytes.size() - 1));
        }
    }
}

TEST(Medium, ReadsFromTheDevicesLeaveTheCacheAsTheyFoundIt)
{
    const auto pair = [](const std::string &folder) {
        Write(folder + "/source", kBytes, true);
        Write(folder + "/target", kBytes, true);
    };
    std::vector<Kind> kinds(std::begin(kKinds), std::end(kKinds));
    // squashfs reads whole compressed blocks, and caches what it unpacked.
    kinds.push_back({"squashfs", ""});
    for (const Kind &kind : kinds) {
        SCOPED_TRACE(std::string(kind.name) + " " + kind.options);
        const LoopFileSystem fs(kind.name, kind.options, pair);
        const std::string source = fs.File("source");
        const std::string target = fs.File("target");
        if (std::string(kind.name) != "squashfs")
            pair(fs.File(""));
        Evict(source);
        Evict(target);
        ASSERT_EQ(CachedPages(source) + CachedPages(target), 0U);
        EXPECT_EQ(Verdict(source, target, ReadPath::Device), "true");
        EXPECT_EQ(CachedPages(source) + CachedPages(target), 0U) << "cold";

        HalfCache(target);
        const std::size_t before = CachedPages(target);
        ASSERT_GT(before, 0U);
        EXPECT_EQ(Verdict(source, target, ReadPath::Device), "true");
        EXPECT_EQ(CachedPages(source), 0U) << "cold";
        // squashfs caches a whole block of 128 KiB for any page of it.
        const std::size_t slack = std::string(kind.name) == "squashfs" ? 32 : 0;
        const std::size_t after = CachedPagesSettled(target, before);
        EXPECT_GE(after, before) << "half cached";
        EXPECT_LE(after, before + slack) << "half cached";
    }
}
