#include "compare/FileLayer.h"

#include "compare/CompareError.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace mvx {

namespace {

enum class LeaseOutcome { Held, WriterPresent, Unavailable };

// A read lease holds back every open for writing and every truncation of the
// file, from any process, until it is given up; the system refuses it while
// the file is open for writing anywhere, a shared writable mapping included.
LeaseOutcome TakeReadLease(int fd)
{
    // The system tells of a writer that wants in by a signal: SIGIO unless
    // another is named, and SIGIO ends a process that does not handle it.
    // SIGURG is ignored unless handled, and this program handles it nowhere,
    // so the system drops it without interrupting anything; the comparison
    // asks for the lease's state after each block instead. It is named before
    // the lease exists, so that no break can ever come as SIGIO.
    if (::fcntl(fd, F_SETSIG, SIGURG) != 0)
        return LeaseOutcome::Unavailable;
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0)
        return LeaseOutcome::Held;
    // Other refusals (a file of another user, a file system without leases)
    // leave it to the stamp to tell of a change.
    return errno == EAGAIN ? LeaseOutcome::WriterPresent : LeaseOutcome::Unavailable;
}

// How long a reader thread pauses before it asks again after a read that was
// interrupted: signals never reach it, so a file system that answers EINTR
// does so by itself, and may do it again at once.
constexpr std::chrono::milliseconds kPauseAfterInterruption{1};

// FUSE's magic number in statfs. A FUSE file system's server may hold a read;
// one held in the system's cache can be given up by the process that waits,
// one sent on as a direct read cannot, not even by killing it.
constexpr decltype(statfs::f_type) kFuseMagic = 0x65735546;

// The logical block size of the device that holds the file, for a file system
// that does not tell its own alignment; 4096, a multiple of every logical
// block size in use, where the device does not tell either.
std::size_t DeviceBlockSize(const struct statx &st)
{
    const std::string device =
        "/sys/dev/block/" + std::to_string(st.stx_dev_major) + ':' + std::to_string(st.stx_dev_minor);
    std::size_t size = 0;
    for (const char *queue : {"/queue/logical_block_size", "/../queue/logical_block_size"})
        if (std::ifstream(device + queue) >> size && size > 0)
            return size;
    return 4096;
}

// The unit that reads past the cache need, or 0 where the file system takes
// none or one that the requests cannot keep to.
std::size_t DirectUnit(int fd)
{
    struct statfs fs {};
    if (::fstatfs(fd, &fs) != 0 || fs.f_type == kFuseMagic)
        return 0;
    struct statx st {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_DIOALIGN, &st) != 0)
        return 0;
    std::size_t unit = 0;
    if ((st.stx_mask & STATX_DIOALIGN) != 0)
        unit = std::max<std::size_t>(st.stx_dio_offset_align, st.stx_dio_mem_align);
    else
        unit = DeviceBlockSize(st);
    const bool fits = unit != 0 && (unit & (unit - 1)) == 0 && kRequestLength % unit == 0;
    return fits ? unit : 0;
}

} // namespace

ReadOnlyFile::ReadOnlyFile(const std::string &path, ReadPath readPath) : path_(path)
{
    if (HoldsNul(path))
        throw CompareError(CannotOpenMessage(path));
    // Non-blocking, so that a FIFO or a device cannot hold the program up
    // before its type has been looked at on the very descriptor we hold.
    int fd = -1;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        throw CompareError(CannotOpenMessage(path));
    handle_ = fd;
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const LeaseOutcome lease = regular ? TakeReadLease(fd) : LeaseOutcome::Unavailable;
    if (!regular || lease == LeaseOutcome::WriterPresent) {
        ::close(fd);
        throw CompareError(CannotOpenMessage(path));
    }
    lease_ = lease == LeaseOutcome::Held ? Lease::Held : Lease::None;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    try {
        // Taken as afresh as the closing one, or a file that changed a
        // moment before the check would seem to change during it.
        opened_ = StampOf();
        if (readPath == ReadPath::Device) {
            const std::size_t unit = DirectUnit(fd);
            if (unit != 0 && flags >= 0 && ::fcntl(fd, F_SETFL, (flags & ~O_NONBLOCK) | O_DIRECT) == 0) {
                way_ = Way::Direct;
                unit_ = unit;
            } else {
                ReadThroughCacheFromBelow();
            }
        } else {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        }
    } catch (const CompareError &) {
        ::close(fd);
        throw CompareError(CannotOpenMessage(path));
    }
}

ReadOnlyFile::~ReadOnlyFile()
{
    ::close(static_cast<int>(handle_));
}

// Where reads cannot go past the cache, the cache is made to hold nothing of
// the file that the device does not: what waits to be written is written,
// and what it holds is dropped, so that every read comes from below. The
// pages read are dropped again after each request.
void ReadOnlyFile::ReadThroughCacheFromBelow()
{
    const int fd = static_cast<int>(handle_);
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    way_ = Way::FromBelow;
}

std::size_t ReadOnlyFile::ReadAt(char *memory, std::size_t length, std::int64_t offset,
                                 const std::stop_token &stop)
{
    const int fd = static_cast<int>(handle_);
    std::size_t done = 0;
    while (done < length) {
        const bool direct = way_ == Way::Direct;
        const ssize_t got = ::pread(fd, memory + done, length - done, offset + static_cast<off_t>(done));
        if (got > 0) {
            done += static_cast<std::size_t>(got);
            // Past the cache, a read falls short only at the end: what is
            // left would start off the unit.
            if (direct && done % unit_ != 0)
                break;
            continue;
        }
        if (got == 0)
            break;
        if (errno == EINVAL && direct) {
            // A file system that opens for direct reads but refuses them.
            const std::lock_guard lock(wayLock_);
            if (way_ == Way::Direct && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_DIRECT) == 0)
                ReadThroughCacheFromBelow();
            if (way_ == Way::Direct)
                throw CompareError(kReadErrorMessage);
            continue;
        }
        if (errno != EINTR)
            throw CompareError(kReadErrorMessage);
        // Asked again until nobody waits any more.
        if (stop.stop_requested())
            break;
        std::this_thread::sleep_for(kPauseAfterInterruption);
    }
    if (way_ == Way::FromBelow && done > 0)
        ::posix_fadvise(fd, offset, static_cast<off_t>(done), POSIX_FADV_DONTNEED);
    return done;
}

ReadOnlyFile::Stamp ReadOnlyFile::StampOf() const
{
    // A network or FUSE file system answers fstat from the attributes it
    // keeps, for as long as it keeps them; a file changed on its server
    // meanwhile would keep its old size and times.
    struct statx st {};
    if (::statx(static_cast<int>(handle_), "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, STATX_BASIC_STATS, &st) !=
        0)
        throw CompareError(kReadErrorMessage);
    return {static_cast<std::int64_t>(st.stx_size),
            st.stx_mtime.tv_sec,
            st.stx_mtime.tv_nsec,
            st.stx_ctime.tv_sec,
            st.stx_ctime.tv_nsec,
            makedev(st.stx_dev_major, st.stx_dev_minor),
            st.stx_ino};
}

bool ReadOnlyFile::WriterWaiting()
{
    // While a writer waits, the lease reads as what it is being broken to.
    const int fd = static_cast<int>(handle_);
    if (lease_ == Lease::Held && ::fcntl(fd, F_GETLEASE) != F_RDLCK) {
        // The writer would otherwise wait for the system's grace period, or
        // for as long as the comparison runs.
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
        lease_ = Lease::GivenUp;
    }
    return lease_ == Lease::GivenUp;
}

// No lease stops another file from being renamed over the path: the verdict
// would be about a file that the path no longer names.
bool ReadOnlyFile::NamedBy(const std::string &path) const
{
    struct statx st {};
    return ::statx(AT_FDCWD, path.c_str(), AT_STATX_FORCE_SYNC, STATX_INO, &st) == 0 &&
           makedev(st.stx_dev_major, st.stx_dev_minor) == opened_.device && st.stx_ino == opened_.inode;
}

bool ReadOnlyFile::SharesDeviceWith(const ReadOnlyFile &other) const
{
    // A partition's device lies in its disk's folder of the system's device
    // tree: two partitions of one disk share its reads.
    const auto disk = [](std::uint64_t device) {
        std::error_code error;
        std::filesystem::path node = std::filesystem::canonical(
            "/sys/dev/block/" + std::to_string(major(device)) + ':' + std::to_string(minor(device)), error);
        if (!error && std::filesystem::exists(node / "partition", error))
            node = node.parent_path();
        return error ? std::to_string(device) : node.string();
    };
    return opened_.device == other.opened_.device || disk(opened_.device) == disk(other.opened_.device);
}

std::shared_ptr<char> RequestMemory(std::size_t requests)
{
    const std::size_t bytes = requests * kRequestMemory;
    char *memory = static_cast<char *>(std::aligned_alloc(kRequestMemory, bytes));
    if (memory == nullptr)
        throw std::bad_alloc();
    // Huge pages: each request lies in one stretch of memory that the system
    // hands to the device in one piece, where ordinary pages would have it cut
    // up into several.
    ::madvise(memory, bytes, MADV_HUGEPAGE);
    return {memory, std::free};
}

void GiveUpOnStop(const std::stop_token &, const std::function<void()> &body)
{
    body();
}

bool IsExistingFile(const std::string &path)
{
    if (HoldsNul(path))
        return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::string> FolderEntryNames(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        names.push_back(entry->path().filename().string());
    return names;
}

} // namespace mvx
