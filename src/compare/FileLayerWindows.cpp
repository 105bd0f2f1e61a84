#include "compare/FileLayer.h"

#include "compare/CompareError.h"
#include "compare/ReaderThread.h"
#include "compare/WideText.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx {

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

struct Waited {
    DWORD got = 0;
    bool ended = false; // the end of the file
    bool failed = false;
};

// A count, the end of the file, or a failure, from what ReadFile or
// GetOverlappedResult said; the last error is read before anything else can
// change it.
void Judge(BOOL succeeded, DWORD got, Waited &waited)
{
    if (succeeded)
        waited.got = got;
    else if (GetLastError() == ERROR_HANDLE_EOF)
        waited.ended = true;
    else
        waited.failed = true;
}

// The outcome of a read that has started, waiting for it to end or not. The
// count is read once the system has written it.
void Finish(HANDLE file, OVERLAPPED &io, BOOL wait, Waited &waited)
{
    DWORD got = 0;
    const BOOL succeeded = GetOverlappedResult(file, &io, &got, wait);
    Judge(succeeded, got, waited);
}

} // namespace

// The read in flight lives beside the handle: the system writes into the
// OVERLAPPED, as into the buffer, until the read has ended, whoever still
// waits for it.
struct ReadOnlyFile::Handle {
    explicit Handle(HANDLE opened) : file(opened), done(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Handle()
    {
        CloseHandle(file);
        if (done != nullptr)
            CloseHandle(done);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;

    const HANDLE file;
    const HANDLE done;
    OVERLAPPED io{};
};

// Read access with read-only sharing: other programs may read the file while
// it is compared, but none may write to it, and a file that one of them holds
// open for writing cannot be opened. Overlapped, so that a read that the
// cache cannot serve at once leaves the calling thread free.
ReadOnlyFile::ReadOnlyFile(const std::string &path) : path_(path)
{
    const std::optional<std::wstring> name = FileName(path);
    if (!name)
        throw CompareError(CannotOpenMessage(path));
    HANDLE h = CreateFileW(name->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw CompareError(CannotOpenMessage(path));
    handle_ = std::make_shared<Handle>(h);
    if (handle_->done == nullptr || GetFileType(h) != FILE_TYPE_DISK)
        throw CompareError(CannotOpenMessage(path));
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
    // A block is far below what one ReadFile takes; a file that gives fewer
    // bytes than asked before its end is asked again for the rest.
    std::size_t done = 0;
    while (done < length) {
        Handle &handle = *handle_;
        const auto at = static_cast<std::uint64_t>(offset) + done;
        handle.io = {};
        handle.io.Offset = static_cast<DWORD>(at);
        handle.io.OffsetHigh = static_cast<DWORD>(at >> 32);
        handle.io.hEvent = handle.done;
        const auto want = static_cast<DWORD>(length - done);
        const auto waited = std::make_shared<Waited>();
        if (ReadFile(handle.file, buffer.get() + done, want, nullptr, &handle.io)) {
            // Served from the cache before ReadFile returned.
            Finish(handle.file, handle.io, FALSE, *waited);
        } else if (GetLastError() != ERROR_IO_PENDING) {
            Judge(FALSE, 0, *waited);
        } else {
            // The read is in flight. Should no thread be there to wait for
            // it, it is cancelled and waited for here: the buffer is not given
            // back while the system may still write into it.
            try {
                reader.Start();
            } catch (...) {
                DWORD got = 0;
                CancelIoEx(handle.file, &handle.io);
                GetOverlappedResult(handle.file, &handle.io, &got, TRUE);
                throw;
            }
            const bool answered = reader.Run([handle = handle_, buffer, waited](const std::stop_token &stop) {
                // Nobody waits any more: the read is cancelled, and ends
                // when the device lets it go.
                const std::stop_callback cancel(stop, [&handle] { CancelIoEx(handle->file, &handle->io); });
                Finish(handle->file, handle->io, TRUE, *waited);
            });
            if (!answered)
                return std::nullopt;
        }
        if (waited->failed)
            throw CompareError(kReadErrorMessage);
        if (waited->ended || waited->got == 0)
            break;
        done += waited->got;
    }
    return done;
}

ReadOnlyFile::Stamp ReadOnlyFile::StampOf(const Handle &handle)
{
    Stamp stamp;
    LARGE_INTEGER size{};
    FILETIME written{};
    if (!GetFileSizeEx(handle.file, &size) || !GetFileTime(handle.file, nullptr, nullptr, &written))
        throw CompareError(kReadErrorMessage);
    stamp.size = size.QuadPart;
    stamp.modifiedSeconds = (static_cast<std::int64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    return stamp;
}

void ReadOnlyFile::AdviseSequential() const {}

// A read served at once tells nothing here: a share's cache serves reads at
// once too.
bool ReadOnlyFile::AnswersAtOnce() const
{
    return false;
}

// The sharing mode keeps writers out from the opening on.
bool ReadOnlyFile::WriterWaiting()
{
    return false;
}

// Without delete sharing, an open file can be neither renamed nor replaced.
bool ReadOnlyFile::NamedBy(const std::string &, const Stamp &)
{
    return true;
}

// FILE_FLAG_SEQUENTIAL_SCAN, given at opening, is the one read-ahead hint the
// cache manager takes from a program; how far ahead it reads is its own affair.
bool ReadOnlyFile::StartReadingAhead(std::size_t, const std::shared_ptr<char> &, std::size_t, ReaderThread &)
{
    return true;
}

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

} // namespace mvx
