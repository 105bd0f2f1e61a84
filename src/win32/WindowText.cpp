#include "win32/WindowText.h"

#include "base/WideText.h"

namespace mvx::win32 {

std::wstring Wide(const std::string &text)
{
    return WideFromUtf8(text).value_or(std::wstring());
}

std::wstring TextOf(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ExecutableFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    // A path longer than the buffer comes back cut, with the buffer's length.
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size())
        path.resize(path.size() * 2);
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring LoadedString(UINT id)
{
    const wchar_t *text = nullptr;
    // A length of 0 asks for a read-only pointer into the resource itself.
    const int length = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t *>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

} // namespace mvx::win32
