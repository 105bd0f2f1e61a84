#include "cli/Console.h"

#include <clocale>
#include <cstdio>
#include <unistd.h>

namespace mvx::cmp {

namespace {

std::FILE *FileOf(StandardStream stream)
{
    return stream == StandardStream::Output ? stdout : stderr;
}

} // namespace

bool WriteText(StandardStream stream, std::string_view text)
{
    std::FILE *file = FileOf(stream);
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fflush(file) == 0 && written && std::ferror(file) == 0;
}

bool IsConsole(StandardStream stream)
{
    return ::isatty(::fileno(FileOf(stream))) == 1;
}

// The program's own numbers stay in the "C" locale; only this answer is the user's.
std::string DecimalSeparator()
{
    std::setlocale(LC_NUMERIC, "");
    std::string separator = std::localeconv()->decimal_point;
    std::setlocale(LC_NUMERIC, "C");
    return separator;
}

} // namespace mvx::cmp
