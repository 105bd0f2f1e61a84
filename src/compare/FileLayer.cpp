#include "compare/FileLayer.h"

#include "compare/Folder.h"

namespace mvx {

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
