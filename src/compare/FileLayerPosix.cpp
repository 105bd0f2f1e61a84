#include "compare/FileLayer.h"

#include "compare/CompareError.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/uio.h>
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

} // namespace

ReadOnlyFile::ReadOnlyFile(const std::string &path) : path_(path)
{
    if (HoldsNul(path))
        throw CompareError(CannotOpenMessage(path));
    // Non-blocking, so that a FIFO or a device cannot hold the program up
    // before its type has been looked at on the very descriptor we hold.
    do {
        fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0)
        throw CompareError(CannotOpenMessage(path));
    struct stat st {};
    const bool regular = ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode);
    const LeaseOutcome lease = regular ? TakeReadLease(fd_) : LeaseOutcome::Unavailable;
    if (!regular || lease == LeaseOutcome::WriterPresent) {
        ::close(fd_);
        throw CompareError(CannotOpenMessage(path));
    }
    lease_ = lease == LeaseOutcome::Held ? Lease::Held : Lease::None;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    opened_ = {st.st_size,         st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_sec,
               st.st_ctim.tv_nsec, st.st_dev,         st.st_ino};
}

ReadOnlyFile::~ReadOnlyFile()
{
    ::close(fd_);
}

std::size_t ReadOnlyFile::Read(char *buffer, std::size_t length)
{
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::read(fd_, buffer + done, length - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw CompareError(kReadErrorMessage);
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

ReadOnlyFile::Stamp ReadOnlyFile::CurrentStamp() const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        throw CompareError(kReadErrorMessage);
    return {st.st_size,         st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_sec,
            st.st_ctim.tv_nsec, st.st_dev,         st.st_ino};
}

bool ReadOnlyFile::WriterWaiting()
{
    // While a writer waits, the lease reads as what it is being broken to.
    if (lease_ == Lease::Held && ::fcntl(fd_, F_GETLEASE) != F_RDLCK) {
        // The writer would otherwise wait for the system's grace period, or
        // for as long as the comparison runs.
        ::fcntl(fd_, F_SETLEASE, F_UNLCK);
        lease_ = Lease::GivenUp;
    }
    return lease_ == Lease::GivenUp;
}

// No lease stops another file from being renamed over the path: the verdict
// would be about a file that the path no longer names.
bool ReadOnlyFile::NamedByPath() const
{
    struct stat st {};
    return ::stat(path_.c_str(), &st) == 0 && st.st_dev == opened_.device && st.st_ino == opened_.inode;
}

void ReadOnlyFile::AdviseSequential() const
{
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

void ReadOnlyFile::StartReadingAhead(std::size_t runLength, char *scratch, std::size_t scratchLength) const
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
        pieces.push_back({scratch, std::min(scratchLength, runLength - asked)});
    const auto count = static_cast<int>(pieces.size());
    ssize_t got = 0;
    do {
        got = ::preadv2(fd_, pieces.data(), count, 0, RWF_NOWAIT);
    } while (got < 0 && errno == EINTR);
    // Where the file system cannot read without waiting, the same read made
    // plainly sets up the same windows; it waits for the run to arrive, well
    // under a tenth of a second even on a slow stick.
    if (got < 0 && errno == EOPNOTSUPP) {
        do {
            got = ::preadv(fd_, pieces.data(), count, 0);
        } while (got < 0 && errno == EINTR);
    }
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
