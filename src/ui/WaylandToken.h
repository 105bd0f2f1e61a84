// An activation token of the compositor's own (xdg_activation_v1), asked for
// on a connection of its own, beside the toolkit's. A token that no input
// event vouches for lets a compositor mark a window as wanting attention,
// not hand it the focus.
#pragma once

#include <string>

namespace mvx::ui {

// Empty when there is no Wayland display, the compositor offers no
// activation, or it has not answered within timeoutMs.
std::string RequestWaylandToken(int timeoutMs);

} // namespace mvx::ui
