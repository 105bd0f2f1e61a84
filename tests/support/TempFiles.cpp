// The parts of the test files that every platform shares.
#include "support/TempFiles.h"

namespace mvx::test {

std::filesystem::path PathFromUtf8(const std::string &text)
{
    return {std::u8string(text.begin(), text.end())};
}

std::string Utf8FromPath(const std::filesystem::path &path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::string TempDir::File(const std::string &name) const
{
    return Utf8FromPath(path_ / PathFromUtf8(name));
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string Pattern(std::int64_t count, std::int64_t flip)
{
    std::string bytes(static_cast<std::size_t>(count), '\0');
    for (std::int64_t i = 0; i < count; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((i * 7 + i / 251) & 0xff);
    if (flip >= 0)
        bytes[static_cast<std::size_t>(flip)] = static_cast<char>(~bytes[static_cast<std::size_t>(flip)]);
    return bytes;
}

} // namespace mvx::test
