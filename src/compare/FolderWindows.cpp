#include "compare/Folder.h"

#include "base/LongPath.h"
#include "base/WideText.h"

#include <algorithm>
#include <cstring>
#include <optional>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <winioctl.h>

namespace mvx {

namespace {

// The reparse data of a symbolic link or a junction, as the system hands it
// out: the link's text lies in its path buffer.
struct LinkData {
    ULONG tag;
    USHORT dataLength;
    USHORT reserved;
    USHORT substituteOffset;
    USHORT substituteLength;
    USHORT printOffset;
    USHORT printLength;
};

// The path as the system takes it, however long.
std::wstring Wide(const std::string &path)
{
    std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide)
        Fail(path, FileStep::List, ERROR_INVALID_NAME);
    return ExtendedLengthPath(*wide);
}

bool IsLink(const WIN32_FIND_DATAW &found)
{
    return (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK || found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

// The link's own text, as it was made: the name it shows, else the one the
// system substitutes.
std::string LinkText(const std::string &path)
{
    const HANDLE link =
        CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (link == INVALID_HANDLE_VALUE)
        Fail(path, FileStep::Read, static_cast<int>(GetLastError()));
    std::vector<char> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
    DWORD got = 0;
    const BOOL read = DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                                      static_cast<DWORD>(data.size()), &got, nullptr);
    const auto error = static_cast<int>(GetLastError());
    CloseHandle(link);
    if (!read || got < sizeof(LinkData))
        Fail(path, FileStep::Read, error);
    LinkData head{};
    std::memcpy(&head, data.data(), sizeof head);
    // A symbolic link keeps a word of flags before its names; a junction none.
    const std::size_t names = sizeof head + (head.tag == IO_REPARSE_TAG_SYMLINK ? sizeof(ULONG) : 0);
    const bool shown = head.printLength > 0;
    const std::size_t offset = names + (shown ? head.printOffset : head.substituteOffset);
    const std::size_t length = shown ? head.printLength : head.substituteLength;
    if (offset + length > got)
        Fail(path, FileStep::Read, ERROR_INVALID_DATA);
    std::wstring text(length / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data.data() + offset, length);
    return Utf8FromWide(text);
}

} // namespace

Folder::Folder(const std::string &path) : path_(path)
{
    if (!IsExistingFolder(path))
        Fail(path, FileStep::List, ERROR_DIRECTORY);
}

Folder::Folder(std::shared_ptr<const Folder> parent, const std::string &name)
    : parent_(std::move(parent)), path_(parent_->PathOf(name))
{
    const DWORD attributes = GetFileAttributesW(Wide(path_).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        Fail(path_, FileStep::List, ERROR_DIRECTORY);
}

Folder::~Folder() = default;

std::string Folder::PathOf(const std::string &name) const
{
    return path_.ends_with('\\') || path_.ends_with('/') ? path_ + name : path_ + '\\' + name;
}

std::vector<FolderEntry> Folder::Entries() const
{
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileExW(Wide(PathOf("*")).c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        Fail(path_, FileStep::List, static_cast<int>(GetLastError()));
    std::vector<FolderEntry> entries;
    try {
        do {
            const std::string name = Utf8FromWide(found.cFileName);
            if (name == "." || name == "..")
                continue;
            FolderEntry entry{name,
                              EntryKind::File,
                              (static_cast<std::int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow,
                              {}};
            if (IsLink(found)) {
                entry.kind = EntryKind::Link;
                entry.linkTarget = LinkText(PathOf(name));
            } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                entry.kind = EntryKind::Folder;
            }
            entries.push_back(std::move(entry));
        } while (FindNextFileW(search, &found));
        const DWORD error = GetLastError();
        if (error != ERROR_NO_MORE_FILES)
            Fail(path_, FileStep::List, static_cast<int>(error));
    } catch (...) {
        FindClose(search);
        throw;
    }
    FindClose(search);
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry &a, const FolderEntry &b) { return a.name < b.name; });
    return entries;
}

bool IsExistingFolder(const std::string &path)
{
    const std::optional<std::wstring> wide = WideFromUtf8(path);
    if (!wide || path.find('\0') != std::string::npos)
        return false;
    const DWORD attributes = GetFileAttributesW(ExtendedLengthPath(*wide).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace mvx
