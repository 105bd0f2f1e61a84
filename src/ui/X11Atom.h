// The X server's number for a name, as properties and client messages carry it.
#pragma once

#include <xcb/xcb.h>

namespace mvx::ui {

// XCB_ATOM_NONE when the server gave no answer.
xcb_atom_t X11Atom(xcb_connection_t *connection, const char *name);

} // namespace mvx::ui
