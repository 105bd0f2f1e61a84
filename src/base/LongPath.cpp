#include "base/LongPath.h"

#include <string_view>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx {

namespace {

// A folder's path must leave room for a name of 8.3 characters within
// MAX_PATH; below this every path is taken as it is, file or folder.
constexpr std::size_t kLongestPlainPath = MAX_PATH - 12;

constexpr std::wstring_view kExtended = L"\\\\?\\";
constexpr std::wstring_view kDevice = L"\\\\.\\";

// Empty when the system cannot resolve it.
std::wstring FullPath(const std::wstring &path)
{
    std::wstring full;
    DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    // The length asked for includes the closing NUL, the length written not.
    while (length > full.size()) {
        full.resize(length);
        length = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    }
    full.resize(length);
    return full;
}

bool IsDriveRooted(std::wstring_view path)
{
    return path.size() >= 3 &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && path[2] == L'\\';
}

} // namespace

std::wstring ExtendedLengthPath(const std::wstring &path)
{
    // The prefixed forms name exactly what they say: resolving them would
    // change what they name.
    if (path.starts_with(kExtended) || path.starts_with(kDevice))
        return path;
    const std::wstring full = FullPath(path);
    if (full.size() < kLongestPlainPath)
        return path;
    if (full.starts_with(kExtended) || full.starts_with(kDevice))
        return full;
    if (IsDriveRooted(full))
        return std::wstring(kExtended) + full;
    if (full.starts_with(L"\\\\"))
        return std::wstring(kExtended) + L"UNC" + full.substr(1);
    return path;
}

} // namespace mvx
