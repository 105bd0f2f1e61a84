// A modal window on X11 that opens while another program has the focus. Qt
// asks for the focus for a modal window as soon as the server reports it
// mapped: with a fresh time, which a window manager grants, and without a
// window manager by taking it. The hold keeps that report from Qt until the
// focus comes to one of the program's windows or the user clicks the window,
// so that the window opens where the user can see it and asks for the focus
// once the user is back.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <xcb/xcb.h>

#include <optional>

class QWidget;

namespace mvx::ui {

// On X11, whether the keyboard focus is in one of the program's windows;
// nothing on any other platform.
std::optional<bool> X11FocusInProgram();

class X11FocusHold : public QObject, public QAbstractNativeEventFilter {
public:
    // Before the window is shown; does nothing unless the program runs on
    // X11. The window asks for attention from the moment it appears.
    explicit X11FocusHold(QWidget &window);
    ~X11FocusHold() override;
    X11FocusHold(const X11FocusHold &) = delete;
    X11FocusHold &operator=(const X11FocusHold &) = delete;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void UserIsBack();

    xcb_connection_t *connection_ = nullptr;
    xcb_window_t window_ = XCB_WINDOW_NONE;
    bool held_ = false; // the server's report that the window is mapped
    bool back_ = false; // the focus has come to the program
};

} // namespace mvx::ui
