#include "compare/FileLayer.h"

#include "compare/Folder.h"

namespace mvx {

void TouchPages(char *memory, std::size_t bytes)
{
    // Each page once is enough to have the system put it in place.
    for (std::size_t at = 0; at < bytes; at += 4096)
        memory[at] = 0;
}

bool HoldsNul(const std::string &path)
{
    return path.find('\0') != std::string::npos;
}

std::optional<std::int64_t> ReadOnlyFile::Length() const
{
    if (sizeUntold_ || opened_.size == 0)
        return std::nullopt;
    return opened_.size;
}

ReadOnlyFile::ReadOnlyFile(const std::string &path, ReadPath readPath) : ReadOnlyFile(nullptr, path, readPath)
{}

std::string ReadOnlyFile::Path() const
{
    return folder_ ? folder_->PathOf(path_) : path_;
}

bool ReadOnlyFile::ChangedSinceOpening() const
{
    return !(StampOf() == opened_) || !NamedBy(path_);
}

} // namespace mvx
