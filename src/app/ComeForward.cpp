#include "app/ComeForward.h"

#include "app/SingleInstance.h"
#include "app/X11Activation.h"
#include "check/Guarded.h"
#include "ui/Attention.h"
#include "ui/MVX.h"

#include <QGuiApplication>

namespace mvx {

namespace {

using Kind = InstanceRequest::TokenKind;

} // namespace

void ComeForward(ui::TMainForm &window, const InstanceRequest &request)
{
    if (request.paths.size() == 2)
        window.FillPathsWhenIdle(request.paths.at(0), request.paths.at(1));

    const QString platform = QGuiApplication::platformName();
    const bool wayland = platform == u"wayland";
    const bool x11 = platform == u"xcb";
    if (wayland && request.tokenKind == Kind::Wayland) {
        ui::NextActivationWith(request.token);
        window.BringForward();
        return;
    }
    window.BringForward();
    if (x11 && request.tokenKind == Kind::X11) {
        ActivateWithStartupId(window, request.token);
        return;
    }
    // Without a token from the later start, a desktop that guards the focus
    // keeps it where it is, so the window asks for the user's attention.
    ui::AskForAttention(window);
}

void AnswerLaterStarts(SingleInstance &instance, ui::TMainForm &window)
{
    QObject::connect(&instance, &SingleInstance::RequestReceived, &window,
                     [&window](const InstanceRequest &request) {
                         Guarded([&window, &request] { ComeForward(window, request); });
                     });
}

} // namespace mvx
