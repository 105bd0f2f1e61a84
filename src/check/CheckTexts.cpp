#include "check/CheckTexts.h"

#include "compare/FileLayer.h"

#include <algorithm>
#include <stdexcept>

namespace mvx {

std::optional<std::string> ValidatePaths(const std::string &source, const std::string &target)
{
    if (source.empty())
        return "比較元が空白です";
    if (target.empty())
        return "比較先が空白です";
    if (source == target)
        return "同一ファイルは選択できません";
    if (!IsExistingFile(source))
        return "比較元ファイルが存在しません";
    if (!IsExistingFile(target))
        return "比較先ファイルが存在しません";
    return std::nullopt;
}

std::string FormatSeconds(std::int64_t elapsed, const std::string &decimalSeparator)
{
    // Times come from a monotonic clock and are never negative.
    const auto magnitude = static_cast<std::uint64_t>(std::max<std::int64_t>(elapsed, 0));
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

std::string TimeLine(std::int64_t elapsed, const std::string &decimalSeparator)
{
    return "処理時間　" + FormatSeconds(elapsed, decimalSeparator) + " 秒";
}

std::string WithClosingPeriod(const std::string &message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}

std::string FailureMessage(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &e) {
        return e.what();
    } catch (...) {
        return "予期しないエラーが発生しました";
    }
}

} // namespace mvx
