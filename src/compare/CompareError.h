// The failure raised by the comparison engine. Its message is UTF-8 text that
// the program shows to the user as it stands.
#pragma once

#include <stdexcept>
#include <string>

namespace mvx {

class CompareError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "ファイル %s は開けません" with the path exactly as it was passed in.
inline std::string CannotOpenMessage(const std::string &path)
{
    return "ファイル " + path + " は開けません";
}

// The message for a file that did not give the bytes it promised.
inline constexpr const char *kReadErrorMessage = "ストリームからの読み込みエラー";

} // namespace mvx
