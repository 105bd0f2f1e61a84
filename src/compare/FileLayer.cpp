#include "compare/FileLayer.h"

namespace mvx {

bool HoldsNul(const std::string &path)
{
    return path.find('\0') != std::string::npos;
}

bool ReadOnlyFile::ChangedSinceOpening() const
{
    return !(StampOf() == opened_) || !NamedBy(path_);
}

} // namespace mvx
