#include "cli/Console.h"

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

} // namespace mvx::cmp
