#include "check/DecimalSeparator.h"

#include "base/WideText.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx {

std::string DecimalSeparator()
{
    // The system allows four characters here, the terminating one included.
    wchar_t separator[8] = {};
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    if (length <= 1)
        return ".";
    return Utf8FromWide(std::wstring_view(separator, static_cast<std::size_t>(length - 1)));
}

} // namespace mvx
