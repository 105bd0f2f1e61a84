// Texts of windows and controls: UTF-16 to the system, UTF-8 to the program.
#pragma once

#include <string>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::win32 {

// UTF-16 for the program's UTF-8 text; empty for empty text or text that is
// not UTF-8 (which no file name or message of the program is).
std::wstring Wide(const std::string &text);

// A window's text, however long.
std::wstring TextOf(HWND window);

// The folder of the running executable, ending in its separator.
std::wstring ExecutableFolder();

// A string from the program's string table.
std::wstring LoadedString(UINT id);

} // namespace mvx::win32
