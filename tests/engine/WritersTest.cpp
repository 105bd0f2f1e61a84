// Other programs that write to the files while they are compared: shut out
// where the system allows it, found out where it does not.
#include "compare/Compare.h"
#include "engine/PairCompare.h"
#include "engine/Recorder.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <linux/capability.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using mvx::test::CompareFiles;
using mvx::test::FileSizeOf;
using mvx::test::OpenDescriptorCount;
using mvx::test::Outcome;
using mvx::test::Pattern;
using mvx::test::Recorder;
using mvx::test::TempDir;
using mvx::test::WriteBytes;

namespace {

constexpr std::int64_t kSize = 250000; // three blocks
using mvx::test::kReadError;
using Change = void (*)(const std::string &path);

struct Pair : mvx::test::TempPair {
    explicit Pair(std::int64_t flip = -1) : TempPair(Pattern(kSize), Pattern(kSize, flip)) {}
};

std::string Verdict(bool same)
{
    return same ? "identical" : "different";
}

std::string CompareOutcome(const std::string &source, const std::string &target, Recorder &recorder)
{
    return Outcome([&] { return Verdict(CompareFiles(source, target, recorder)); });
}

std::string CannotOpen(const std::string &path)
{
    return "ファイル " + path + " は開けません";
}

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A writer's first attempt: an open for writing that does not wait. True when
// it is held back, which also tells whoever holds the file's lease that a
// writer is waiting.
bool WriterHeldBack(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0)
        ::close(fd);
    return fd < 0 && errno == EWOULDBLOCK;
}

void Shrink(const std::string &path)
{
    ASSERT_EQ(::truncate(path.c_str(), 120000), 0);
}

void Grow(const std::string &path)
{
    ASSERT_EQ(::truncate(path.c_str(), 400000), 0);
}

void RewriteInPlace(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, "x", 1, 10), 1);
    ::close(fd);
}

// As `touch -r`, `cp -p` and `rsync -t` leave a file: other bytes, same
// size and the same modification time.
void RewriteKeepingTimes(const std::string &path)
{
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    RewriteInPlace(path);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

void WriteThroughSharedMapping(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    void *map = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    ASSERT_NE(map, MAP_FAILED);
    static_cast<char *>(map)[10] ^= 1;
    ::munmap(map, 4096);
}

// Holds a file open as a case says: a descriptor, or a mapping whose page has
// been written to (with the byte it held) and whose descriptor is closed.
class Holder {
public:
    Holder(const std::string &path, int flags, int mapping)
    {
        fd_ = ::open(path.c_str(), flags | O_CLOEXEC);
        if (mapping == 0)
            return;
        map_ = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, mapping, fd_, 0);
        if (map_ != MAP_FAILED) {
            volatile char *bytes = static_cast<char *>(map_);
            bytes[10] = bytes[10];
        }
        ::close(fd_);
        fd_ = -1;
    }
    ~Holder()
    {
        if (map_ != MAP_FAILED)
            ::munmap(map_, 4096);
        if (fd_ >= 0)
            ::close(fd_);
    }
    Holder(const Holder &) = delete;
    Holder &operator=(const Holder &) = delete;

    [[nodiscard]] bool Holds() const { return fd_ >= 0 || map_ != MAP_FAILED; }

private:
    int fd_ = -1;
    void *map_ = MAP_FAILED;
};

} // namespace

TEST(Writers, AFileHeldOpenForWritingCannotBeOpenedOneHeldForReadingCan)
{
    const TempDir probe;
    if (!mvx::test::LeasesWorkIn(probe))
        GTEST_SKIP() << "the temporary folder's file system cannot tell of writers";
    struct Case {
        const char *name;
        int flags;
        int mapping;
        bool writer;
    };
    const Case cases[] = {
        {"a descriptor open for writing", O_WRONLY, 0, true},
        {"a descriptor open for reading and writing", O_RDWR, 0, true},
        {"a shared writable mapping with a dirty page", O_RDWR, MAP_SHARED, true},
        {"a descriptor open for reading", O_RDONLY, 0, false},
        {"a private writable mapping with a copied page", O_RDONLY, MAP_PRIVATE, false},
    };
    for (const Case &c : cases) {
        for (const bool onSource : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (onSource ? " on the source" : " on the target"));
            const Pair pair;
            const std::string &held = onSource ? pair.source : pair.target;
            const int before = OpenDescriptorCount();
            {
                const Holder holder(held, c.flags, c.mapping);
                ASSERT_TRUE(holder.Holds());
                EXPECT_EQ(Outcome([&] { return std::to_string(FileSizeOf(held)); }),
                          c.writer ? CannotOpen(held) : std::to_string(kSize));
                Recorder recorder;
                EXPECT_EQ(CompareOutcome(pair.source, pair.target, recorder),
                          c.writer ? CannotOpen(held) : "identical");
            }
            EXPECT_EQ(OpenDescriptorCount(), before);
            Recorder recorder;
            EXPECT_EQ(CompareOutcome(pair.source, pair.target, recorder), "identical")
                << "once the holder has let go";
        }
    }
}

TEST(Writers, AWriterThatComesDuringTheComparisonEndsItAndIsLetInAtOnce)
{
    const TempDir probe;
    if (!mvx::test::LeasesWorkIn(probe))
        GTEST_SKIP() << "the temporary folder's file system cannot hold writers back";
    struct Case {
        const char *name;
        bool onSource;
        Change write;
    };
    const Case cases[] = {
        {"rewrites the target keeping size and times", false, RewriteKeepingTimes},
        {"writes through a shared mapping of the target", false, WriteThroughSharedMapping},
        {"truncates the target", false, Shrink},
        {"grows the source", true, Grow},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Pair pair;
        const std::string &written = c.onSource ? pair.source : pair.target;
        std::future<void> writer;
        Recorder recorder;
        recorder.onEvents = [&] {
            if (recorder.EventCount() != 1)
                return;
            EXPECT_TRUE(WriterHeldBack(written));
            // Another thread, so that the comparison goes on while it waits.
            writer = std::async(std::launch::async, c.write, written);
        };
        EXPECT_EQ(CompareOutcome(pair.source, pair.target, recorder), kReadError);
        EXPECT_EQ(recorder.EventCount(), 1) << "ends after the block during which the writer came";
        ASSERT_TRUE(writer.valid());
        // The system lets a held-back writer in by force only after
        // /proc/sys/fs/lease-break-time, 45 seconds by default.
        ASSERT_EQ(writer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_NE(ReadAll(written), Pattern(kSize)) << "the writer's change has landed";
    }
}

TEST(Writers, APathThatNamesAnotherFileByTheEndGivesNoVerdict)
{
    // Each move puts an equal file, or none, where the compared one was.
    struct Case {
        const char *name;
        const char *target;
        std::int64_t flip; // the target's differing byte, or -1
        std::function<void(const TempDir &dir)> move;
    };
    const auto renameIn = [](const TempDir &dir, const char *from, const char *to) {
        ASSERT_EQ(std::rename(dir.File(from).c_str(), dir.File(to).c_str()), 0);
    };
    const Case cases[] = {
        {"an equal file renamed over the target", "in/target.bin", -1,
         [&](const TempDir &d) { renameIn(d, "equal.bin", "in/target.bin"); }},
        {"an equal file renamed over a target that differs", "in/target.bin", kSize - 1,
         [&](const TempDir &d) { renameIn(d, "equal.bin", "in/target.bin"); }},
        {"an equal file renamed over the source", "in/target.bin", -1,
         [&](const TempDir &d) { renameIn(d, "equal.bin", "source.bin"); }},
        {"the target renamed away", "in/target.bin", -1,
         [&](const TempDir &d) { renameIn(d, "in/target.bin", "moved.bin"); }},
        {"the target's folder swapped for one with an equal file", "in/target.bin", -1,
         [&](const TempDir &d) {
             renameIn(d, "in", "in.old");
             renameIn(d, "equal", "in");
         }},
        {"a link to the target pointed at an equal file", "link", -1,
         [&](const TempDir &d) {
             ASSERT_EQ(::symlink("equal.bin", d.File("link.new").c_str()), 0);
             renameIn(d, "link.new", "link");
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TempDir dir;
        std::filesystem::create_directory(dir.Path() / "in");
        std::filesystem::create_directory(dir.Path() / "equal");
        WriteBytes(dir.File("source.bin"), Pattern(kSize));
        WriteBytes(dir.File("in/target.bin"), Pattern(kSize, c.flip));
        WriteBytes(dir.File("equal.bin"), Pattern(kSize));
        WriteBytes(dir.File("equal/target.bin"), Pattern(kSize));
        ASSERT_EQ(::symlink("in/target.bin", dir.File("link").c_str()), 0);
        const std::string source = dir.File("source.bin");
        const std::string target = dir.File(c.target);
        Recorder recorder;
        recorder.onEvents = [&] {
            if (recorder.EventCount() == 1)
                c.move(dir);
        };
        EXPECT_EQ(CompareOutcome(source, target, recorder), kReadError);
    }
}

TEST(Writers, WithoutALeaseTheStampStillTellsOfAChange)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give the files to another user";
    struct Case {
        const char *name;
        Change change;
    };
    const Case cases[] = {
        {"shrinks while read", Shrink},
        {"grows while read", Grow},
        {"rewritten in place, size kept", RewriteInPlace},
        {"rewritten, size and times kept: only the change time moves", RewriteKeepingTimes},
        {"left alone", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Pair pair;
        // Another user's files, and no right to lease them all the same.
        ASSERT_EQ(::chown(pair.source.c_str(), 4242, 4242), 0);
        ASSERT_EQ(::chown(pair.target.c_str(), 4242, 4242), 0);
        const mvx::test::WithoutCapability noLease(CAP_LEASE);
        ASSERT_TRUE(noLease.Dropped());
        Recorder recorder;
        recorder.onEvents = [&] {
            if (recorder.EventCount() != 1 || c.change == nullptr)
                return;
            ASSERT_FALSE(WriterHeldBack(pair.target)) << "no lease here";
            c.change(pair.target);
        };
        EXPECT_EQ(CompareOutcome(pair.source, pair.target, recorder), c.change ? kReadError : "identical");
    }
}
