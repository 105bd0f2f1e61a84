#include "cli/Console.h"

#include "base/WideText.h"

#include <algorithm>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::cmp {

namespace {

HANDLE HandleOf(StandardStream stream)
{
    return GetStdHandle(stream == StandardStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

bool IsConsoleHandle(HANDLE handle)
{
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

// A console takes characters, not bytes: UTF-8 bytes written to one come out
// in the console's code page, which garbles every Japanese message. No file
// is opened by this text, so what is not UTF-8 may be shown as it can be.
bool WriteToConsole(HANDLE console, std::string_view text)
{
    const std::wstring wide = WideForShowing(text);
    // Older consoles refuse very long writes; a surrogate pair stays whole.
    constexpr std::size_t kPiece = 8192;
    for (std::size_t at = 0; at < wide.size();) {
        std::size_t length = std::min(kPiece, wide.size() - at);
        if (at + length < wide.size() && IS_HIGH_SURROGATE(wide[at + length - 1]))
            --length;
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + at, static_cast<DWORD>(length), &written, nullptr) ||
            written == 0)
            return false;
        at += written;
    }
    return true;
}

bool WriteToFile(HANDLE file, std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const auto length = static_cast<DWORD>(std::min<std::size_t>(text.size() - at, 1U << 20));
        DWORD written = 0;
        if (!WriteFile(file, text.data() + at, length, &written, nullptr) || written == 0)
            return false;
        at += written;
    }
    return true;
}

} // namespace

bool WriteText(StandardStream stream, std::string_view text)
{
    const HANDLE handle = HandleOf(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    return IsConsoleHandle(handle) ? WriteToConsole(handle, text) : WriteToFile(handle, text);
}

bool IsConsole(StandardStream stream)
{
    return IsConsoleHandle(HandleOf(stream));
}

} // namespace mvx::cmp
