#include "check/SizeRule.h"

#include <algorithm>

namespace mvx {

std::optional<PixelSize> SizeRule::Corrected(PixelSize size) const
{
    if (size.height == laidOut_.height && size.width >= laidOut_.width)
        return std::nullopt;
    return PixelSize{std::max(size.width, laidOut_.width), laidOut_.height};
}

} // namespace mvx
