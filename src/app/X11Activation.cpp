#include "app/X11Activation.h"

#include "ui/X11Atom.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>

namespace mvx {

namespace {

using ui::X11Atom;

// A launcher's id ends in "_TIME" and the X server time of the click that
// started it; that time is what lets a window manager grant the focus.
xcb_timestamp_t LaunchTime(const QByteArray &startupId)
{
    const qsizetype at = startupId.lastIndexOf("_TIME");
    if (at < 0)
        return XCB_CURRENT_TIME;
    bool ok = false;
    const uint time = startupId.mid(at + 5).toUInt(&ok);
    return ok ? time : XCB_CURRENT_TIME;
}

xcb_client_message_event_t ClientMessage(xcb_window_t window, xcb_atom_t type, std::uint8_t format)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = format;
    message.window = window;
    message.type = type;
    return message;
}

void SendToRoot(xcb_connection_t *connection, xcb_window_t root, const xcb_client_message_event_t &message)
{
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&message));
}

// The startup-notification "remove" message, in the 20-byte pieces that
// X client messages carry.
void EndLaunchFeedback(xcb_connection_t *connection, xcb_window_t root, xcb_window_t window,
                       const QByteArray &startupId)
{
    QByteArray text = "remove: ID=" + startupId;
    text.append('\0');
    const xcb_atom_t begin = X11Atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = X11Atom(connection, "_NET_STARTUP_INFO");
    constexpr qsizetype kPiece = 20;
    for (qsizetype at = 0; at < text.size(); at += kPiece) {
        xcb_client_message_event_t message = ClientMessage(window, at == 0 ? begin : more, 8);
        const qsizetype length = std::min(kPiece, text.size() - at);
        std::memcpy(message.data.data8, text.constData() + at, std::size_t(length));
        SendToRoot(connection, root, message);
    }
}

} // namespace

void ActivateWithStartupId(QWidget &window, const QByteArray &startupId)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || startupId.isEmpty())
        return;
    xcb_connection_t *connection = x11->connection();
    const auto id = xcb_window_t(window.winId());
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const xcb_window_t root = xcb_setup_roots_iterator(setup).data->root;

    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, X11Atom(connection, "_NET_STARTUP_ID"),
                        X11Atom(connection, "UTF8_STRING"), 8, std::uint32_t(startupId.size()),
                        startupId.constData());
    // Source 1: an application asks, with the time of the user's action.
    xcb_client_message_event_t activate = ClientMessage(id, X11Atom(connection, "_NET_ACTIVE_WINDOW"), 32);
    activate.data.data32[0] = 1;
    activate.data.data32[1] = LaunchTime(startupId);
    SendToRoot(connection, root, activate);
    EndLaunchFeedback(connection, root, id, startupId);
    xcb_flush(connection);
}

} // namespace mvx
