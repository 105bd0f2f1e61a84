#include "compare/FileLayer.h"

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

bool ReadOnlyFile::ChangedSinceOpening() const
{
    return !(StampOf() == opened_) || !NamedBy(path_);
}

} // namespace mvx
