#include "check/PathValidation.h"

#include "compare/FileLayer.h"

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

} // namespace mvx
