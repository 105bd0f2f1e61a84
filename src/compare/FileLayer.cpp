#include "compare/FileLayer.h"

#include "compare/CompareError.h"
#ifdef _WIN32
#include "compare/WideText.h"
#endif

#include <filesystem>

#ifdef _WIN32
#include <algorithm>
#include <climits>
#include <optional>
#include <string_view>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <algorithm>
#include <cerrno>
#include <csignal>
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

namespace {

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool SameIgnoringAsciiCase(std::wstring_view a, std::wstring_view b)
{
    const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](wchar_t x, wchar_t y) { return lower(x) == lower(y); });
}

// CON, NUL, COM1 and the like name devices in every folder, with any extension
// ("nul.txt") and trailing spaces; the system opens the device, not a file.
bool NamesDevice(std::wstring_view path)
{
    std::size_t start = path.find_last_of(L"\\/");
    if (start == std::wstring_view::npos)
        start = path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == L':' ? 2 : 0;
    else
        ++start;
    std::wstring_view name = path.substr(start);
    name = name.substr(0, name.find_first_of(L".:"));
    while (!name.empty() && name.back() == L' ')
        name.remove_suffix(1);

    for (const wchar_t *device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (SameIgnoringAsciiCase(name, device))
            return true;
    if (name.size() != 4)
        return false;
    const wchar_t digit = name[3];
    const bool numbered =
        (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
    return numbered && (SameIgnoringAsciiCase(name.substr(0, 3), L"COM") ||
                        SameIgnoringAsciiCase(name.substr(0, 3), L"LPT"));
}

// The UTF-16 name of a path that may name a file, or nothing when it cannot:
// text that is not UTF-8, a device name, or a wildcard. No file name holds ?
// or *, and to some of the system's look-ups they are patterns that match
// other files; the \\?\ that starts a long path is no wildcard.
std::optional<std::wstring> FileName(const std::string &path)
{
    if (HoldsNul(path))
        return std::nullopt;
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide)
        return std::nullopt;
    const std::wstring_view longPrefix = L"\\\\?\\";
    const std::size_t from = wide->starts_with(longPrefix) ? longPrefix.size() : 0;
    if (wide->find_first_of(L"?*", from) != std::wstring::npos || NamesDevice(*wide))
        return std::nullopt;
    return wide;
}

} // namespace

// Read access with read-only sharing: other programs may read the file while
// it is compared, but none may write to it, and a file that one of them holds
// open for writing cannot be opened.
ReadOnlyFile::ReadOnlyFile(const std::string &path) : path_(path)
{
    const std::optional<std::wstring> name = FileName(path);
    if (!name)
        throw CompareError(CannotOpenMessage(path));
    HANDLE h = CreateFileW(name->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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
    // One ReadFile takes a 32-bit count; larger reads go in steps.
    constexpr std::size_t kMostPerCall = 1U << 30;
    std::size_t done = 0;
    while (done < length) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min(length - done, kMostPerCall));
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

// FILE_FLAG_SEQUENTIAL_SCAN, given at opening, is the one read-ahead hint the
// cache manager takes from a program; how far ahead it reads is its own affair.
void ReadOnlyFile::StartReadingAhead(std::size_t, char *, std::size_t) const {}

// The attributes of the entry of that very name: unlike a directory search,
// this matches no pattern. A symbolic link is judged by what it leads to.
bool IsExistingFile(const std::string &path)
{
    const std::optional<std::wstring> name = FileName(path);
    if (!name)
        return false;
    DWORD attributes = GetFileAttributesW(name->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // No data access is asked for, so no sharing mode can refuse this.
        HANDLE h = CreateFileW(name->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        BY_HANDLE_FILE_INFORMATION information{};
        const bool known = GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &information);
        CloseHandle(h);
        if (!known)
            return false;
        attributes = information.dwFileAttributes;
    }
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// std::filesystem reads a std::string byte by byte here, not as UTF-8, and
// throws on a name with a lone surrogate: the folder and the names take the
// file layer's own conversions instead.
std::vector<std::string> FolderEntryNames(const std::string &folder)
{
    std::vector<std::string> names;
    const std::optional<std::wstring> wide = HoldsNul(folder) ? std::nullopt : WideFromUtf8(folder);
    if (!wide)
        return names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(*wide, error), end; !error && entry != end;
         entry.increment(error))
        names.push_back(Utf8FromWide(entry->path().filename().native()));
    return names;
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

#endif

bool ReadOnlyFile::ChangedSinceOpening()
{
    return WriterWaiting() || !(CurrentStamp() == opened_) || !NamedByPath();
}

} // namespace mvx
