#include "check/SizeRule.h"

#include <algorithm>

namespace mvx {

std::optional<PixelSize> SizeRule::Corrected(PixelSize size) const
{
    if (size.height == designed_.height && size.width >= designed_.width)
        return std::nullopt;
    return PixelSize{std::max(size.width, designed_.width), designed_.height};
}

} // namespace mvx
