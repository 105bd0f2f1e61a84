#include "check/PathValidation.h"

namespace mvx {

std::optional<std::string> ValidatePathTexts(const std::string &source, const std::string &target)
{
    if (source.empty())
        return "比較元が空白です";
    if (target.empty())
        return "比較先が空白です";
    if (source == target)
        return "同一ファイルは選択できません";
    return std::nullopt;
}

std::optional<std::string> MissingFileWarning(FilePair::Opening opening)
{
    switch (opening) {
    case FilePair::Opening::NoSource:
        return "比較元ファイルが存在しません";
    case FilePair::Opening::NoTarget:
        return "比較先ファイルが存在しません";
    case FilePair::Opening::Opened:
    case FilePair::Opening::Stopped:
        break;
    }
    return std::nullopt;
}

} // namespace mvx
