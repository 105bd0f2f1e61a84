#include "base/WideText.h"

#include <climits>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx {

namespace {

// Nothing when the system gives no UTF-16 for the text, which with
// MB_ERR_INVALID_CHARS is whenever the text is not UTF-8.
std::optional<std::wstring> Converted(std::string_view text, DWORD flags)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX))
        return std::nullopt;
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, flags, text.data(), size, nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_UTF8, flags, text.data(), size, wide.data(), length) != length)
        return std::nullopt;
    return wide;
}

} // namespace

std::optional<std::wstring> WideFromUtf8(const std::string &text)
{
    return Converted(text, MB_ERR_INVALID_CHARS);
}

std::wstring WideForShowing(std::string_view text)
{
    return Converted(text, 0).value_or(std::wstring());
}

std::string Utf8FromWide(std::wstring_view wide)
{
    std::string text;
    text.reserve(wide.size());
    const auto put = [&text](unsigned value) { text += static_cast<char>(value); };
    for (std::size_t i = 0; i < wide.size(); ++i) {
        auto code = static_cast<char32_t>(wide[i]);
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char32_t>(wide[i + 1]) - 0xDC00);
            ++i;
        }
        if (code < 0x80) {
            put(code);
        } else if (code < 0x800) {
            put(0xC0 | (code >> 6));
            put(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            put(0xE0 | (code >> 12));
            put(0x80 | ((code >> 6) & 0x3F));
            put(0x80 | (code & 0x3F));
        } else {
            put(0xF0 | (code >> 18));
            put(0x80 | ((code >> 12) & 0x3F));
            put(0x80 | ((code >> 6) & 0x3F));
            put(0x80 | (code & 0x3F));
        }
    }
    return text;
}

} // namespace mvx
