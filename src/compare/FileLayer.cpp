#include "compare/FileLayer.h"

#include "compare/CommandLine.h"
#include "compare/CompareError.h"

#include <filesystem>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace mvx {

namespace {

// The system would read such a path only up to the NUL: another file.
bool HoldsNul(const std::string &path)
{
    return path.find('\0') != std::string::npos;
}

} // namespace

#ifdef _WIN32

// Read access with read-only sharing: other programs may read the file while
// it is compared, but none may write to it.
ReadOnlyFile::ReadOnlyFile(const std::string &path) : path_(path)
{
    if (HoldsNul(path))
        throw CompareError(CannotOpenMessage(path));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw CompareError(CannotOpenMessage(path));
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        throw CompareError(CannotOpenMessage(path));
    }
    handle_ = h;
    try {
        opened_ = CurrentStamp();
    } catch (const CompareError &) {
        CloseHandle(h);
        throw CompareError(CannotOpenMessage(path));
    }
}

ReadOnlyFile::~ReadOnlyFile()
{
    CloseHandle(static_cast<HANDLE>(handle_));
}

std::size_t ReadOnlyFile::Read(char *buffer, std::size_t length)
{
    std::size_t done = 0;
    while (done < length) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(length - done);
        if (!ReadFile(static_cast<HANDLE>(handle_), buffer + done, want, &got, nullptr))
            throw CompareError(kReadErrorMessage);
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

ReadOnlyFile::Stamp ReadOnlyFile::CurrentStamp() const
{
    Stamp stamp;
    LARGE_INTEGER size{};
    FILETIME written{};
    if (!GetFileSizeEx(static_cast<HANDLE>(handle_), &size) ||
        !GetFileTime(static_cast<HANDLE>(handle_), nullptr, nullptr, &written))
        throw CompareError(kReadErrorMessage);
    stamp.size = size.QuadPart;
    stamp.modifiedSeconds = (static_cast<std::int64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    return stamp;
}

void ReadOnlyFile::AdviseSequential() const {}

// The sharing mode keeps writers out from the opening on.
bool ReadOnlyFile::WriterWaiting()
{
    return false;
}

// Without delete sharing, an open file can be neither renamed nor replaced.
bool ReadOnlyFile::NamedByPath() const
{
    return true;
}

bool IsExistingFile(const std::string &path)
{
    if (HoldsNul(path))
        return false;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(path.c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FindClose(h);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string PathForMessage(const std::string &path)
{
    const int wideLength =
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), wideLength);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, text.data(), length, nullptr, nullptr);
    return text;
}

std::vector<std::string> ProgramParameters(int, char **)
{
    // The shell hands over one raw line here; splitting it is ours to do.
    std::vector<std::string> all = SplitCommandLine(GetCommandLineA());
    if (!all.empty())
        all.erase(all.begin());
    return all;
}

#else

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

bool IsExistingFile(const std::string &path)
{
    if (HoldsNul(path))
        return false;
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string PathForMessage(const std::string &path)
{
    return path;
}

std::vector<std::string> ProgramParameters(int argc, char **argv)
{
    std::vector<std::string> parameters;
    for (int i = 1; i < argc && argv[i][0] != '\0'; ++i)
        parameters.emplace_back(argv[i]);
    return parameters;
}

#endif

std::vector<std::string> FolderEntryNames(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        names.push_back(entry->path().filename().string());
    return names;
}

bool ReadOnlyFile::ChangedSinceOpening()
{
    return WriterWaiting() || !(CurrentStamp() == opened_) || !NamedByPath();
}

} // namespace mvx
