#include "compare/FileLayer.h"

#include "compare/Folder.h"
#include "compare/PageCache.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
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

constexpr decltype(statfs::f_type) kConfigFsMagic = 0x62656570;

// The size of a huge page, where the system has them.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// File systems whose files are made as they are read: the size they give
// says nothing of the bytes (sysfs says 4096 of nearly every file).
bool SizeIsUntold(decltype(statfs::f_type) type)
{
    switch (type) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case kConfigFsMagic:
    case PSTOREFS_MAGIC:
    case BPF_FS_MAGIC:
        return true;
    default:
        return false;
    }
}

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

// The unit that reads past the cache need, or 0 where the requests cannot
// keep to it. btrfs tells none, and reads what is off its own block through
// the cache without a word: its block is the least unit there.
std::size_t DirectUnit(int fd, const struct statfs &fs)
{
    struct statx st {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_DIOALIGN, &st) != 0)
        return 0;
    std::size_t unit = 0;
    if ((st.stx_mask & STATX_DIOALIGN) != 0)
        unit = std::max<std::size_t>(st.stx_dio_offset_align, st.stx_dio_mem_align);
    else
        unit = DeviceBlockSize(st);
    if (fs.f_type == BTRFS_SUPER_MAGIC)
        unit = std::max(unit, static_cast<std::size_t>(fs.f_bsize));
    const bool fits = unit != 0 && (unit & (unit - 1)) == 0 && kRequestLength % unit == 0;
    return fits ? unit : 0;
}

// Whether every byte of the file lies on its device as it is, where a read
// past the cache reaches it. A file system reads compressed, encrypted or
// inline data (btrfs, ext4's tiny files) through its cache even when asked
// for a direct read, and says nothing of it. Asking also writes out what
// waits to be written, so that the map is the medium's.
bool AllOnTheDevice(int fd)
{
    constexpr std::uint32_t kThroughTheCache = FIEMAP_EXTENT_UNKNOWN | FIEMAP_EXTENT_DELALLOC |
                                               FIEMAP_EXTENT_ENCODED | FIEMAP_EXTENT_DATA_ENCRYPTED |
                                               FIEMAP_EXTENT_NOT_ALIGNED | FIEMAP_EXTENT_DATA_INLINE |
                                               FIEMAP_EXTENT_DATA_TAIL;
    constexpr std::uint32_t kBatch = 64;
    std::vector<std::uint64_t> room(
        (sizeof(fiemap) + kBatch * sizeof(fiemap_extent)) / sizeof(std::uint64_t) + 1);
    auto *map = reinterpret_cast<fiemap *>(room.data());
    std::uint64_t from = 0;
    std::uint32_t flags = FIEMAP_FLAG_SYNC;
    for (;;) {
        *map = {};
        map->fm_start = from;
        map->fm_length = FIEMAP_MAX_OFFSET - from;
        map->fm_flags = flags;
        map->fm_extent_count = kBatch;
        if (::ioctl(fd, FS_IOC_FIEMAP, map) != 0) {
            // Without a map (NFS, tmpfs), what waits is written here; the
            // file system reads past the cache as it is asked.
            if (flags != 0)
                ::sync_file_range(fd, 0, 0,
                                  SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                      SYNC_FILE_RANGE_WAIT_AFTER);
            return flags != 0;
        }
        flags = 0;
        if (map->fm_mapped_extents == 0)
            return true;
        for (std::uint32_t i = 0; i < map->fm_mapped_extents; ++i) {
            const fiemap_extent &extent = map->fm_extents[i];
            if ((extent.fe_flags & kThroughTheCache) != 0)
                return false;
            if ((extent.fe_flags & FIEMAP_EXTENT_LAST) != 0)
                return true;
            from = extent.fe_logical + extent.fe_length;
        }
    }
}

} // namespace

ReadOnlyFile::ReadOnlyFile(std::shared_ptr<const Folder> folder, const std::string &name, ReadPath readPath)
    : folder_(std::move(folder)), path_(name)
{
    if (HoldsNul(name))
        Fail(FileStep::Open, EINVAL);
    // Non-blocking, so that a FIFO or a device cannot hold the program up
    // before its type has been looked at on the very descriptor we hold.
    int fd = -1;
    do {
        fd = ::openat(Where(), name.c_str(),
                      O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (folder_ ? O_NOFOLLOW : 0));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        Fail(FileStep::Open, errno);
    handle_ = fd;
    // From here on the descriptor is closed by the destructor, which a
    // constructor that throws does not run.
    try {
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            Fail(FileStep::Open, errno);
        if (!S_ISREG(st.st_mode))
            Fail(FileStep::Open, S_ISDIR(st.st_mode) ? EISDIR : ENODEV);
        const LeaseOutcome lease = TakeReadLease(fd);
        if (lease == LeaseOutcome::WriterPresent)
            Fail(FileStep::Open, ETXTBSY);
        lease_ = lease == LeaseOutcome::Held ? Lease::Held : Lease::None;
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
            Fail(FileStep::Open, errno);
        // Taken as afresh as the closing one, or a file that changed a
        // moment before the check would seem to change during it.
        opened_ = StampOf(FileStep::Open);
        struct statfs fs {};
        if (::fstatfs(fd, &fs) != 0)
            Fail(FileStep::Open, errno);
        sizeUntold_ = SizeIsUntold(fs.f_type);
        if (readPath == ReadPath::Cache) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
            return;
        }
        // A FUSE server may hold a read. One held in the cache can be given
        // up by the process that waits; one sent on as a direct read cannot,
        // not even by killing the process.
        const std::size_t unit = fs.f_type == FUSE_SUPER_MAGIC ? 0 : DirectUnit(fd, fs);
        if (unit != 0 && AllOnTheDevice(fd) && ::fcntl(fd, F_SETFL, flags | O_DIRECT) == 0)
            unit_ = unit;
        else
            cache_ = std::make_unique<PageCache>(fd, opened_.size);
    } catch (...) {
        ::close(fd);
        throw;
    }
}

int ReadOnlyFile::Where() const
{
    return folder_ ? static_cast<int>(folder_->handle_) : AT_FDCWD;
}

ReadOnlyFile::~ReadOnlyFile()
{
    cache_.reset();
    ::close(static_cast<int>(handle_));
}

std::size_t ReadOnlyFile::ReadAt(char *memory, std::size_t length, std::int64_t offset,
                                 const std::stop_token &stop)
{
    const int fd = static_cast<int>(handle_);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, memory + done, length - done, offset + static_cast<off_t>(done));
        if (got > 0) {
            done += static_cast<std::size_t>(got);
            // Past the cache, a read falls short only at the end: what is
            // left would start off the unit.
            if (done % unit_ != 0)
                break;
            continue;
        }
        if (got == 0)
            break;
        if (errno != EINTR)
            Fail(FileStep::Read, errno);
        // Asked again until nobody waits any more.
        if (stop.stop_requested())
            break;
        std::this_thread::sleep_for(kPauseAfterInterruption);
    }
    if (cache_ && done > 0)
        cache_->Drop(offset, static_cast<std::int64_t>(done));
    return done;
}

ReadOnlyFile::Stamp ReadOnlyFile::StampOf(FileStep step) const
{
    // A network or FUSE file system answers fstat from the attributes it
    // keeps, for as long as it keeps them; a file changed on its server
    // meanwhile would keep its old size and times.
    struct statx st {};
    if (::statx(static_cast<int>(handle_), "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, STATX_BASIC_STATS, &st) !=
        0)
        Fail(step, errno);
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
    const int flags = AT_STATX_FORCE_SYNC | (folder_ ? AT_SYMLINK_NOFOLLOW : 0);
    return ::statx(Where(), path.c_str(), flags, STATX_INO, &st) == 0 &&
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

std::shared_ptr<char> RequestMemory(std::size_t count, std::size_t slotBytes)
{
    // Mapped, not taken from the allocator: what it keeps for later would
    // stay with the program, thread by thread.
    const std::size_t bytes = count * slotBytes;
    // Huge pages: each request lies in one stretch of memory that the system
    // hands to the device in one piece, where ordinary pages would have it cut
    // up into several, and memory read through the cache takes a few faults
    // instead of one a page. Not for the few pages of a small file's.
    const bool huge = bytes >= kHugePage;
    const std::size_t alignment = slotBytes >= kRequestMemory ? kRequestMemory
                                  : huge                      ? kHugePage
                                                              : kLargestUnit;
    void *mapped =
        ::mmap(nullptr, bytes + alignment, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    // The mapping is made an alignment longer, and cut to it at both ends.
    const std::size_t before = (alignment - reinterpret_cast<std::uintptr_t>(mapped) % alignment) % alignment;
    char *memory = static_cast<char *>(mapped) + before;
    if (before > 0)
        ::munmap(mapped, before);
    ::munmap(memory + bytes, alignment - before);
    if (huge)
        ::madvise(memory, bytes, MADV_HUGEPAGE);
    TouchPages(memory, bytes);
    return {memory, [bytes](char *p) { ::munmap(p, bytes); }};
}

void RunCancellable(const std::stop_token &, const std::function<void()> &body)
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
