// What every window front end shows alike and the command line never does:
// the Check button's caption while a comparison runs, the Warning box's
// caption, and the manual that Help opens beside the program, or the warning
// when it is not there.
#pragma once

namespace mvx {

inline constexpr const char *kStopCaption = "ストップ";
inline constexpr const char *kWarningCaption = "警告";
inline constexpr const char *kReadmeName = "Readme.txt";
inline constexpr const char *kReadmeMissingMessage = "Readme.txtが存在しません";

} // namespace mvx
