// The fault file system itself: what it passes through must be the served
// files exactly, and each fault must show where and how it was asked for;
// the device tests' verdicts mean nothing otherwise.
#include "faultfs/Fault.h"
#include "support/FaultMount.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace faultfs = mvx::faultfs;
using mvx::test::FaultMount;
using mvx::test::Pattern;
using mvx::test::WriteBytes;
using namespace std::chrono_literals;

namespace {

constexpr std::int64_t kLength = 1'000'000;
// The system's cache and the reads made straight to the file system.
const char *const kModes[] = {"", "direct_io"};

std::string Slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// What one pread gives: its bytes, or the errno it failed with.
struct Got {
    std::string bytes;
    int error = 0;
};

Got ReadAt(const std::string &path, std::int64_t offset, std::size_t length)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {{}, errno};
    Got got;
    got.bytes.resize(length);
    const ssize_t n = ::pread(fd, got.bytes.data(), length, offset);
    got.error = n < 0 ? errno : 0;
    got.bytes.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    ::close(fd);
    return got;
}

bool Mounted(const std::string &path)
{
    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);)
        if (line.find(" " + path + " ") != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(FaultFs, ServesNamesSizesTimesAndBytesAsTheyAreAndRefusesWriting)
{
    for (const char *mode : kModes) {
        SCOPED_TRACE(mode);
        FaultMount mount({}, mode);
        const std::string bytes = Pattern(kLength);
        std::filesystem::create_directory(mount.Backing("名前 folder"));
        WriteBytes(mount.Backing("名前 folder/a file"), bytes);
        WriteBytes(mount.Backing("empty"), "");

        EXPECT_EQ(Slurp(mount.Mounted("名前 folder/a file")), bytes);
        EXPECT_EQ(Slurp(mount.Mounted("empty")), "");
        struct stat served {};
        struct stat seen {};
        ASSERT_EQ(::stat(mount.Backing("名前 folder/a file").c_str(), &served), 0);
        ASSERT_EQ(::stat(mount.Mounted("名前 folder/a file").c_str(), &seen), 0);
        EXPECT_EQ(seen.st_size, served.st_size);
        EXPECT_EQ(seen.st_ino, served.st_ino);
        EXPECT_EQ(seen.st_mtim.tv_sec, served.st_mtim.tv_sec);
        EXPECT_EQ(seen.st_mtim.tv_nsec, served.st_mtim.tv_nsec);
        EXPECT_EQ(seen.st_ctim.tv_nsec, served.st_ctim.tv_nsec);
        EXPECT_TRUE(S_ISREG(seen.st_mode));

        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(mount.Mounted("")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"empty", "名前 folder"}));

        EXPECT_LT(::open(mount.Mounted("empty").c_str(), O_WRONLY | O_CLOEXEC), 0);
        EXPECT_EQ(errno, EROFS);
    }
}

TEST(FaultFs, EachFaultShowsWhereItWasAskedFor)
{
    const std::string bytes = Pattern(kLength);
    for (const char *mode : kModes) {
        SCOPED_TRACE(mode);
        FaultMount mount({faultfs::FailWithEio("eio", 600'000), faultfs::FailWithEintr("eintr", 600'000),
                          faultfs::EndAt("short", 600'000), faultfs::ReportSize("more", kLength - 10)},
                         mode);
        for (const char *name : {"eio", "eintr", "short", "more", "fine"})
            WriteBytes(mount.Backing(name), bytes);

        // A bad sector: reads that cover it fail, those before and after do not.
        EXPECT_EQ(ReadAt(mount.Mounted("eio"), 600'000, 4096).error, EIO);
        EXPECT_EQ(ReadAt(mount.Mounted("eio"), 0, 4096).bytes, bytes.substr(0, 4096));
        EXPECT_EQ(ReadAt(mount.Mounted("eio"), 700'000, 4096).bytes, bytes.substr(700'000, 4096));
        // Interrupted again on every try, from the offset on.
        EXPECT_EQ(ReadAt(mount.Mounted("eintr"), 700'000, 4096).error, EINTR);
        EXPECT_EQ(ReadAt(mount.Mounted("eintr"), 700'000, 4096).error, EINTR);
        EXPECT_EQ(ReadAt(mount.Mounted("eintr"), 0, 4096).bytes, bytes.substr(0, 4096));
        // The bytes stop early, while the size said more at opening.
        struct stat attributes {};
        ASSERT_EQ(::stat(mount.Mounted("short").c_str(), &attributes), 0);
        EXPECT_EQ(attributes.st_size, kLength);
        // Through the cache the kernel may fill the pages past a short read
        // with zeros rather than end the file there, when its read-ahead
        // requests overlap: none of the file's own bytes come after the end.
        const std::string shortened = Slurp(mount.Mounted("short"));
        EXPECT_EQ(shortened.substr(0, 600'000), bytes.substr(0, 600'000));
        EXPECT_EQ(shortened.find_first_not_of('\0', 600'000), std::string::npos);
        // More bytes than the size says.
        ASSERT_EQ(::stat(mount.Mounted("more").c_str(), &attributes), 0);
        EXPECT_EQ(attributes.st_size, kLength - 10);
        EXPECT_EQ(Slurp(mount.Mounted("more")), bytes);
        // A file without faults is served as it is beside them.
        EXPECT_EQ(Slurp(mount.Mounted("fine")), bytes);
    }
}

TEST(FaultFs, HoldsOneReadUntilReleasedWhileOtherReadsGoOn)
{
    for (const char *mode : kModes) {
        SCOPED_TRACE(mode);
        const faultfs::Fault hold = faultfs::Hold("held", 700'000);
        // Before the mount: should the test end early, the mount goes first
        // and lets the read go, and only then is the read waited for.
        std::atomic<bool> done{false};
        std::future<Got> read;
        FaultMount mount({hold}, mode);
        const std::string bytes = Pattern(kLength);
        WriteBytes(mount.Backing("held"), bytes);
        WriteBytes(mount.Backing("other"), bytes);

        const int opened = ::open(mount.Mounted("held").c_str(), O_RDONLY | O_CLOEXEC);
        ASSERT_GE(opened, 0);
        read = std::async(std::launch::async, [&done, path = mount.Mounted("held")] {
            Got got = ReadAt(path, 650'000, 100'000);
            done = true;
            return got;
        });
        ASSERT_TRUE(mount.WaitUntilHeld(hold));
        // The rest of the mount answers meanwhile: the file held and others.
        EXPECT_EQ(Slurp(mount.Mounted("other")), bytes);
        // Opened before the hold: through the system's cache, an open drops
        // the file's cached pages, and waits for the held one to do so.
        std::string early(4096, '\0');
        EXPECT_EQ(::pread(opened, early.data(), early.size(), 0), 4096);
        EXPECT_EQ(early, bytes.substr(0, 4096));
        std::this_thread::sleep_for(200ms);
        EXPECT_FALSE(done);

        mount.Release();
        ASSERT_EQ(read.wait_for(5s), std::future_status::ready);
        EXPECT_EQ(read.get().bytes, bytes.substr(650'000, 100'000));
        EXPECT_TRUE(mount.WaitUntilLetGo(hold));
        ::close(opened);
        // Only the first read is held.
        EXPECT_EQ(ReadAt(mount.Mounted("held"), 650'000, 100'000).bytes, bytes.substr(650'000, 100'000));
    }
}

// Reading a file looks its name up, opens it and reads it: each hold meets its
// own step, holds it for the time asked, and then lets it answer as usual.
TEST(FaultFs, HoldsALookUpAnOpenOrAReadForTheTimeAskedAndThenAnswersIt)
{
    enum Step { kLookUp, kOpen, kRead, kSteps };
    const std::pair<faultfs::Fault, Step> cases[] = {{faultfs::HoldLookUp("held", 400ms), kLookUp},
                                                     {faultfs::HoldOpen("held", 400ms), kOpen},
                                                     {faultfs::Hold("held", 0, 400ms), kRead}};
    for (const auto &[hold, heldStep] : cases) {
        SCOPED_TRACE(faultfs::FaultText(hold));
        FaultMount mount({hold}, "direct_io");
        WriteBytes(mount.Backing("held"), "the bytes");
        const std::string path = mount.Mounted("held");
        struct stat attributes {};
        int fd = -1;
        std::string bytes(100, '\0');
        const std::function<bool()> steps[kSteps] = {
            [&] { return ::stat(path.c_str(), &attributes) == 0 && attributes.st_size == 9; },
            [&] { return (fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC)) >= 0; },
            [&] { return ::pread(fd, bytes.data(), bytes.size(), 0) == 9 && bytes.starts_with("the bytes"); },
        };
        for (int step = kLookUp; step < kSteps; ++step) {
            SCOPED_TRACE(step);
            const auto start = std::chrono::steady_clock::now();
            EXPECT_TRUE(steps[step]());
            if (step == heldStep) {
                EXPECT_GE(std::chrono::steady_clock::now() - start, 400ms);
            }
            EXPECT_EQ(mount.WaitUntilHeld(hold, 0ms), step >= heldStep);
        }
        ::close(fd);
        EXPECT_TRUE(mount.WaitUntilLetGo(hold, 0ms));
    }
}

// A mount with an attribute cache reports a changed file as it was, until a
// look-up that insists on fresh attributes. The change time tells: the
// system alone sets it, at every write.
TEST(FaultFs, CachedAttributesLagBehindAChangeUntilAForcedLookUp)
{
    FaultMount mount({}, "attr_timeout=30");
    WriteBytes(mount.Backing("file"), Pattern(1000));
    struct stat before {};
    ASSERT_EQ(::stat(mount.Mounted("file").c_str(), &before), 0);

    WriteBytes(mount.Backing("file"), Pattern(1000, 10));
    struct stat served {};
    ASSERT_EQ(::stat(mount.Backing("file").c_str(), &served), 0);
    ASSERT_NE(served.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
    struct stat cached {};
    ASSERT_EQ(::stat(mount.Mounted("file").c_str(), &cached), 0);
    EXPECT_EQ(cached.st_ctim.tv_sec, before.st_ctim.tv_sec);
    EXPECT_EQ(cached.st_ctim.tv_nsec, before.st_ctim.tv_nsec);

    struct statx fresh {};
    ASSERT_EQ(
        ::statx(AT_FDCWD, mount.Mounted("file").c_str(), AT_STATX_FORCE_SYNC, STATX_BASIC_STATS, &fresh), 0);
    EXPECT_EQ(fresh.stx_ctime.tv_sec, served.st_ctim.tv_sec);
    EXPECT_EQ(fresh.stx_ctime.tv_nsec, served.st_ctim.tv_nsec);
}

TEST(FaultFs, GoingAwayLetsAHeldReadGoAndLeavesNoMount)
{
    const faultfs::Fault hold = faultfs::Hold("held", 0);
    std::string mountPoint;
    std::future<Got> read;
    {
        FaultMount mount({hold});
        WriteBytes(mount.Backing("held"), "the bytes");
        mountPoint = mount.Mounted("");
        mountPoint.pop_back();
        read =
            std::async(std::launch::async, [path = mount.Mounted("held")] { return ReadAt(path, 0, 100); });
        ASSERT_TRUE(mount.WaitUntilHeld(hold));
        ASSERT_TRUE(Mounted(mountPoint));
    }
    ASSERT_EQ(read.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(read.get().bytes, "the bytes");
    EXPECT_FALSE(Mounted(mountPoint));
    EXPECT_FALSE(std::filesystem::exists(mountPoint));
}
