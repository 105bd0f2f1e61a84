#include "ui/Attention.h"

#include "ui/WaylandToken.h"

#include <QApplication>
#include <QByteArray>
#include <QGuiApplication>
#include <QWidget>

namespace mvx::ui {

namespace {

constexpr int kTokenTimeoutMs = 1000;

} // namespace

void NextActivationWith(const QByteArray &token)
{
    qputenv("XDG_ACTIVATION_TOKEN", token);
}

void AskForAttention(QWidget &window)
{
    // On X11 the window asks the window manager for the state that marks it.
    QApplication::alert(&window);
    if (QGuiApplication::platformName() != u"wayland" || window.isActiveWindow())
        return;
    // Qt 6.4's Wayland platform makes nothing of an alert. An activation with a
    // token of the compositor's own, vouched for by no input event, says the
    // same: a compositor that guards the focus marks the window instead.
    const std::string own = RequestWaylandToken(kTokenTimeoutMs);
    if (!own.empty()) {
        NextActivationWith(QByteArray::fromStdString(own));
        window.activateWindow();
    }
}

} // namespace mvx::ui
