#include "FileLayer.h"

#include "CommandLine.h"
#include "CompareError.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>
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
    openedSize_ = opened_.size;
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

// FILE_FLAG_SEQUENTIAL_SCAN, given at opening, is the one read-ahead hint the
// cache manager takes from a program; how far ahead it reads is its own affair.
void ReadOnlyFile::StartReadingAhead(std::size_t, char *, std::size_t) const {}

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
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw CompareError(CannotOpenMessage(path));
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    opened_ = {st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    openedSize_ = st.st_size;
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
    return {st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
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

bool ReadOnlyFile::ChangedSinceOpening() const
{
    return !(CurrentStamp() == opened_);
}

} // namespace mvx
