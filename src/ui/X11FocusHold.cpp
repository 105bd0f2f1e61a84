#include "ui/X11FocusHold.h"

#include "ui/X11Atom.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace mvx::ui {

namespace {

xcb_connection_t *Connection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 == nullptr ? nullptr : x11->connection();
}

} // namespace

std::optional<bool> X11FocusInProgram()
{
    xcb_connection_t *connection = Connection();
    if (connection == nullptr)
        return std::nullopt;
    const std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> reply(
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr), &std::free);
    if (!reply)
        return false;
    // A window manager gives the focus to the window itself, not to its frame.
    const QWindowList windows = QGuiApplication::topLevelWindows();
    return std::any_of(windows.begin(), windows.end(), [&reply](const QWindow *window) {
        return window->handle() != nullptr && xcb_window_t(window->winId()) == reply->focus;
    });
}

X11FocusHold::X11FocusHold(QWidget &window) : connection_(Connection())
{
    if (connection_ == nullptr)
        return;
    window_ = xcb_window_t(window.winId());
    // Set while the window is still withdrawn, as a client may; Qt adds its
    // own states to these as it maps the window.
    const xcb_atom_t attention = X11Atom(connection_, "_NET_WM_STATE_DEMANDS_ATTENTION");
    xcb_change_property(connection_, XCB_PROP_MODE_APPEND, window_, X11Atom(connection_, "_NET_WM_STATE"),
                        XCB_ATOM_ATOM, 32, 1, &attention);
    xcb_flush(connection_);
    QCoreApplication::instance()->installNativeEventFilter(this);
    window.windowHandle()->installEventFilter(this);
}

X11FocusHold::~X11FocusHold()
{
    if (connection_ != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11FocusHold::nativeEventFilter(const QByteArray &eventType, void *message, qintptr * /*result*/)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    // Of the server's own making: the report sent again when the user is back
    // carries the mark of a sent event, and passes on to Qt.
    switch (event->response_type) {
    case XCB_FOCUS_IN:
        // Only the program's windows ask to hear of the focus.
        if (reinterpret_cast<const xcb_focus_in_event_t *>(event)->detail != XCB_NOTIFY_DETAIL_POINTER)
            UserIsBack();
        return false;
    case XCB_MAP_NOTIFY: {
        const auto *map = reinterpret_cast<const xcb_map_notify_event_t *>(event);
        if (back_ || map->event != window_ || map->window != window_)
            return false;
        held_ = true;
        return true;
    }
    default:
        return false;
    }
}

bool X11FocusHold::eventFilter(QObject * /*watched*/, QEvent *event)
{
    // Without a window manager a click in the window is what gives it the
    // focus: Qt asks for it then.
    if (event->type() == QEvent::MouseButtonPress)
        UserIsBack();
    return false;
}

void X11FocusHold::UserIsBack()
{
    back_ = true;
    if (!held_)
        return;
    held_ = false;
    xcb_map_notify_event_t map{};
    map.response_type = XCB_MAP_NOTIFY;
    map.event = window_;
    map.window = window_;
    // The server takes every event it sends on as 32 bytes.
    std::array<char, 32> bytes{};
    std::memcpy(bytes.data(), &map, sizeof map);
    xcb_send_event(connection_, 0, window_, XCB_EVENT_MASK_STRUCTURE_NOTIFY, bytes.data());
    xcb_flush(connection_);
}

} // namespace mvx::ui
