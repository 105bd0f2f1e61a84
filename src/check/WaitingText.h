// What every front end says while a read has waited a second for its device:
// the window beside its bar, morvatix-cmp after its bar on a terminal.
#pragma once

namespace mvx {

inline constexpr const char *kWaitingForDeviceText = "デバイスの応答を待っています";

} // namespace mvx
