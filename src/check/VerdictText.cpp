#include "check/VerdictText.h"

#include <algorithm>

namespace mvx {

std::string FormatSeconds(TenThousandths elapsed, const std::string &decimalSeparator)
{
    // Times come from a monotonic clock and are never negative.
    const auto magnitude = static_cast<std::uint64_t>(std::max<std::int64_t>(elapsed.count(), 0));
    std::string text = std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        text.append(decimalSeparator).append(fraction);
    return text;
}

std::string VerdictLine(bool sameFile)
{
    return sameFile ? "同一のファイルです" : "異なるファイルです";
}

std::string TimeLine(TenThousandths elapsed, const std::string &decimalSeparator)
{
    return "処理時間　" + FormatSeconds(elapsed, decimalSeparator) + " 秒";
}

} // namespace mvx
