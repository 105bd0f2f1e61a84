#include "compare/FileLayer.h"

#include "compare/CompareError.h"
#include "compare/ReaderThread.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>
#include <vector>

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

// How long the reader thread pauses before it asks again after a read that
// was interrupted: signals never reach it, so a file system that answers
// EINTR does so by itself, and may do it again at once.
constexpr std::chrono::milliseconds kPauseAfterInterruption{1};

struct Outcome {
    std::size_t done = 0;
    bool failed = false;
};

// The rest of a read, on the reader thread: it waits as long as the device
// takes, and asks again after an interruption until nobody waits any more.
void ReadOn(int fd, char *buffer, std::size_t length, std::int64_t offset, Outcome &outcome,
            const std::stop_token &stop)
{
    while (outcome.done < length) {
        const ssize_t got = ::pread(fd, buffer + outcome.done, length - outcome.done,
                                    offset + static_cast<off_t>(outcome.done));
        if (got > 0) {
            outcome.done += static_cast<std::size_t>(got);
            continue;
        }
        if (got == 0)
            return;
        if (errno != EINTR) {
            outcome.failed = true;
            return;
        }
        if (stop.stop_requested())
            return;
        std::this_thread::sleep_for(kPauseAfterInterruption);
    }
}

} // namespace

struct ReadOnlyFile::Handle {
    explicit Handle(int descriptor) : fd(descriptor) {}
    ~Handle() { ::close(fd); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    const int fd;
};

ReadOnlyFile::ReadOnlyFile(const std::string &path) : path_(path)
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
    handle_ = std::make_shared<Handle>(fd);
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    const LeaseOutcome lease = regular ? TakeReadLease(fd) : LeaseOutcome::Unavailable;
    if (!regular || lease == LeaseOutcome::WriterPresent)
        throw CompareError(CannotOpenMessage(path));
    lease_ = lease == LeaseOutcome::Held ? Lease::Held : Lease::None;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    // Taken as afresh as the closing one, or a file that changed a moment
    // before the check would seem to change during it.
    try {
        opened_ = StampOf(*handle_);
    } catch (const CompareError &) {
        throw CompareError(CannotOpenMessage(path));
    }
}

ReadOnlyFile::~ReadOnlyFile() = default;

std::optional<std::size_t> ReadOnlyFile::Read(const std::shared_ptr<char> &buffer, std::size_t length,
                                              std::int64_t offset, ReaderThread &reader)
{
    if (length == 0)
        return 0;
    const auto outcome = std::make_shared<Outcome>();
    if (atOnce_ != AtOnce::No) {
        // Pages that the system has cached are copied at once; a read that
        // would wait for the device is left undone (EAGAIN) or cut short.
        iovec piece{buffer.get(), length};
        const ssize_t got = ::preadv2(handle_->fd, &piece, 1, offset, RWF_NOWAIT);
        if (got > 0)
            outcome->done = static_cast<std::size_t>(got);
        const bool unsupported = got < 0 && errno == EOPNOTSUPP;
        atOnce_ = unsupported ? AtOnce::No : AtOnce::Yes;
        // At the size the file had, its end needs no wait to be told.
        if (outcome->done == length || (got == 0 && offset >= opened_.size))
            return outcome->done;
    }
    const bool answered =
        reader.Run([handle = handle_, buffer, length, offset, outcome](const std::stop_token &stop) {
            ReadOn(handle->fd, buffer.get(), length, offset, *outcome, stop);
        });
    if (!answered)
        return std::nullopt;
    if (outcome->failed)
        throw CompareError(kReadErrorMessage);
    return outcome->done;
}

ReadOnlyFile::Stamp ReadOnlyFile::StampOf(const Handle &handle)
{
    // A network or FUSE file system answers fstat from the attributes it
    // keeps, for as long as it keeps them; a file changed on its server
    // meanwhile would keep its old size and times.
    struct statx st {};
    if (::statx(handle.fd, "", AT_EMPTY_PATH | AT_STATX_FORCE_SYNC, STATX_BASIC_STATS, &st) != 0)
        throw CompareError(kReadErrorMessage);
    return {static_cast<std::int64_t>(st.stx_size),
            st.stx_mtime.tv_sec,
            st.stx_mtime.tv_nsec,
            st.stx_ctime.tv_sec,
            st.stx_ctime.tv_nsec,
            makedev(st.stx_dev_major, st.stx_dev_minor),
            st.stx_ino};
}

bool ReadOnlyFile::AnswersAtOnce() const
{
    return atOnce_ == AtOnce::Yes;
}

bool ReadOnlyFile::WriterWaiting()
{
    // While a writer waits, the lease reads as what it is being broken to.
    if (lease_ == Lease::Held && ::fcntl(handle_->fd, F_GETLEASE) != F_RDLCK) {
        // The writer would otherwise wait for the system's grace period, or
        // for as long as the comparison runs.
        ::fcntl(handle_->fd, F_SETLEASE, F_UNLCK);
        lease_ = Lease::GivenUp;
    }
    return lease_ == Lease::GivenUp;
}

// No lease stops another file from being renamed over the path: the verdict
// would be about a file that the path no longer names.
bool ReadOnlyFile::NamedBy(const std::string &path, const Stamp &opened)
{
    struct statx st {};
    return ::statx(AT_FDCWD, path.c_str(), AT_STATX_FORCE_SYNC, STATX_INO, &st) == 0 &&
           makedev(st.stx_dev_major, st.stx_dev_minor) == opened.device && st.stx_ino == opened.inode;
}

void ReadOnlyFile::AdviseSequential() const
{
    ::posix_fadvise(handle_->fd, 0, 0, POSIX_FADV_SEQUENTIAL);
}

bool ReadOnlyFile::StartReadingAhead(std::size_t runLength, const std::shared_ptr<char> &scratch,
                                     std::size_t scratchLength, ReaderThread &reader)
{
    // Left alone, the system reads a file ahead in windows of its own size,
    // a few hundred KiB, one request each; two files read side by side then
    // make a slow device switch between them every few blocks, and each
    // switch costs a seek or a round trip. One read that asks for more than
    // that window makes the system read a window as long as the device takes
    // in one request, and Linux 6.13 and later keep reading ahead in windows
    // of that length from then on (earlier ones shrink the window back after
    // the first run: nothing lost). Asking again further on would not help:
    // each request would land where the system is already reading, and cut
    // its runs short. RWF_NOWAIT starts the read and returns at once without
    // moving the read position. The same buffer serves every piece of the
    // vector: its bytes are never looked at.
    std::vector<iovec> pieces;
    for (std::size_t asked = 0; asked < runLength; asked += scratchLength)
        pieces.push_back({scratch.get(), std::min(scratchLength, runLength - asked)});
    const auto count = static_cast<int>(pieces.size());
    if (atOnce_ != AtOnce::No) {
        const bool unsupported =
            ::preadv2(handle_->fd, pieces.data(), count, 0, RWF_NOWAIT) < 0 && errno == EOPNOTSUPP;
        atOnce_ = unsupported ? AtOnce::No : AtOnce::Yes;
        if (!unsupported)
            return true;
    }
    // Where the file system cannot read without waiting, the same read made
    // plainly sets up the same windows; it waits for the run to arrive, well
    // under a tenth of a second even on a slow stick, and for ever on a share
    // that has gone away.
    return reader.Run(
        [handle = handle_, scratch, pieces = std::move(pieces), count](const std::stop_token &stop) {
            ssize_t got = 0;
            do {
                got = ::preadv(handle->fd, pieces.data(), count, 0);
            } while (got < 0 && errno == EINTR && !stop.stop_requested());
        });
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
