#include "compare/FileLayer.h"

namespace mvx {

bool HoldsNul(const std::string &path)
{
    return path.find('\0') != std::string::npos;
}

bool ReadOnlyFile::ChangedSinceOpening()
{
    return WriterWaiting() || !(CurrentStamp() == opened_) || !NamedByPath();
}

} // namespace mvx
