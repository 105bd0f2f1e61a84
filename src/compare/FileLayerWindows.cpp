#include "compare/FileLayer.h"

#include "base/LongPath.h"
#include "base/WideText.h"
#include "compare/Folder.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <thread>
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
// other files; the \\?\ that starts a long path is no wildcard. The rules
// are kept on the path as given: in the long form that a long path takes
// below, a device's name would name a file.
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
    return ExtendedLengthPath(*wide);
}

// What every read past the cache must keep to: the volume's sector, as large
// as it is best read in where that fits the requests, else the sector the
// system requires. Where the volume does not tell, a page, which is a
// multiple of every sector size in use.
std::size_t SectorOf(HANDLE file)
{
    const auto fits = [](std::size_t sector) {
        return sector != 0 && (sector & (sector - 1)) == 0 && kRequestLength % sector == 0;
    };
    FILE_STORAGE_INFO storage{};
    if (!GetFileInformationByHandleEx(file, FileStorageInfo, &storage, sizeof storage))
        return 4096;
    const std::size_t best =
        std::max(storage.LogicalBytesPerSector, storage.PhysicalBytesPerSectorForPerformance);
    if (fits(best))
        return best;
    return fits(storage.LogicalBytesPerSector) ? storage.LogicalBytesPerSector : 4096;
}

// The handle's own event, so that several reads of one file may wait at once.
class Event {
public:
    Event() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr))
    {
        if (event_ == nullptr)
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
    }
    ~Event() { CloseHandle(event_); }
    Event(const Event &) = delete;
    Event &operator=(const Event &) = delete;
    [[nodiscard]] HANDLE Get() const { return event_; }

private:
    HANDLE event_;
};

HANDLE File(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

// Read access with read-only sharing: other programs may read the file while
// it is compared, but none may write to it, and a file that one of them holds
// open for writing cannot be opened. Overlapped, so that several reads of the
// file can be in flight at once and each can be cancelled.
ReadOnlyFile::ReadOnlyFile(std::shared_ptr<const Folder> folder, const std::string &path, ReadPath readPath)
    : folder_(std::move(folder)), path_(path)
{
    const std::optional<std::wstring> name = FileName(Path());
    if (!name)
        Fail(FileStep::Open, ERROR_INVALID_NAME);
    const DWORD way = readPath == ReadPath::Device ? FILE_FLAG_NO_BUFFERING : FILE_FLAG_SEQUENTIAL_SCAN;
    HANDLE h = CreateFileW(name->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED | way, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        Fail(FileStep::Open, static_cast<int>(GetLastError()));
    handle_ = reinterpret_cast<std::intptr_t>(h);
    try {
        if (GetFileType(h) != FILE_TYPE_DISK)
            Fail(FileStep::Open, ERROR_BAD_FILE_TYPE);
        opened_ = StampOf(FileStep::Open);
    } catch (...) {
        CloseHandle(h);
        throw;
    }
    if (readPath == ReadPath::Device)
        unit_ = SectorOf(h);
}

ReadOnlyFile::~ReadOnlyFile()
{
    CloseHandle(File(handle_));
}

std::size_t ReadOnlyFile::ReadAt(char *memory, std::size_t length, std::int64_t offset,
                                 const std::stop_token &stop)
{
    // Past the cache, the system takes only reads whose offset, length and
    // memory keep to the sector; Wine takes any, so the rule is kept here, or
    // a read that would fail on Windows would pass every test.
    if (unit_ > 1 && (length == 0 || length % unit_ != 0 || static_cast<std::uint64_t>(offset) % unit_ != 0 ||
                      reinterpret_cast<std::uintptr_t>(memory) % unit_ != 0))
        throw std::logic_error("a read past the cache off the sector");
    const Event event;
    std::size_t done = 0;
    while (done < length) {
        const auto at = static_cast<std::uint64_t>(offset) + done;
        OVERLAPPED io{};
        io.Offset = static_cast<DWORD>(at);
        io.OffsetHigh = static_cast<DWORD>(at >> 32);
        io.hEvent = event.Get();
        DWORD got = 0;
        BOOL succeeded =
            ReadFile(File(handle_), memory + done, static_cast<DWORD>(length - done), nullptr, &io);
        if (succeeded || GetLastError() == ERROR_IO_PENDING) {
            // Nobody waits any more: the read is cancelled, and ends when the
            // device lets it go; the memory is not given back before.
            const std::stop_callback cancel(stop, [this, &io] { CancelIoEx(File(handle_), &io); });
            succeeded = GetOverlappedResult(File(handle_), &io, &got, TRUE);
        }
        if (!succeeded) {
            if (GetLastError() == ERROR_HANDLE_EOF)
                break;
            if (stop.stop_requested())
                return done;
            Fail(FileStep::Read, static_cast<int>(GetLastError()));
        }
        if (got == 0)
            break;
        done += got;
        // Past the cache, a read falls short only at the end.
        if (unit_ > 1 && done % unit_ != 0)
            break;
    }
    return done;
}

ReadOnlyFile::Stamp ReadOnlyFile::StampOf(FileStep step) const
{
    Stamp stamp;
    LARGE_INTEGER size{};
    FILETIME written{};
    if (!GetFileSizeEx(File(handle_), &size) || !GetFileTime(File(handle_), nullptr, nullptr, &written))
        Fail(step, static_cast<int>(GetLastError()));
    stamp.size = size.QuadPart;
    stamp.modifiedSeconds = (static_cast<std::int64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    return stamp;
}

// The sharing mode keeps writers out from the opening on.
bool ReadOnlyFile::WriterWaiting()
{
    return false;
}

// Without delete sharing, an open file can be neither renamed nor replaced.
bool ReadOnlyFile::NamedBy(const std::string &) const
{
    return true;
}

bool ReadOnlyFile::SharesDeviceWith(const ReadOnlyFile &other) const
{
    BY_HANDLE_FILE_INFORMATION mine{};
    BY_HANDLE_FILE_INFORMATION theirs{};
    return !GetFileInformationByHandle(File(handle_), &mine) ||
           !GetFileInformationByHandle(File(other.handle_), &theirs) ||
           mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber;
}

std::shared_ptr<char> RequestMemory(std::size_t count, std::size_t slotBytes)
{
    // On a page, which is a multiple of every sector.
    const std::size_t bytes = count * slotBytes;
    void *memory = VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (memory == nullptr)
        throw std::bad_alloc();
    TouchPages(static_cast<char *>(memory), bytes);
    return {static_cast<char *>(memory), [](char *p) { VirtualFree(p, 0, MEM_RELEASE); }};
}

void RunCancellable(const std::stop_token &stop, const std::function<void()> &body)
{
    // An open or a look-up on a share that has gone away waits in the calling
    // thread; the thread's own handle lets another thread cancel that wait.
    // A cancel that lands between two of the system's calls cancels nothing,
    // so it is made again until body has returned.
    HANDLE self = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    const std::shared_ptr<void> owned(self, [](HANDLE h) {
        if (h != nullptr)
            CloseHandle(h);
    });
    const auto returned = std::make_shared<std::atomic<bool>>(false);
    std::thread canceller;
    // Ends the cancelling once body has returned, whichever way.
    struct Returned {
        std::thread &canceller;
        std::atomic<bool> &returned;
        ~Returned()
        {
            returned = true;
            if (canceller.joinable())
                canceller.join();
        }
    } const whenReturned{canceller, *returned};
    const std::stop_callback cancel(stop, [&canceller, owned, returned] {
        canceller = std::thread([owned, returned] {
            while (!*returned) {
                CancelSynchronousIo(owned.get());
                Sleep(10);
            }
        });
    });
    body();
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
    for (std::filesystem::directory_iterator entry(ExtendedLengthPath(*wide), error), end;
         !error && entry != end; entry.increment(error))
        names.push_back(Utf8FromWide(entry->path().filename().native()));
    return names;
}

} // namespace mvx
