// Morvatix: are two files identical, byte for byte?
#include "app/Application.h"
#include "app/ComeForward.h"
#include "app/ProgramAnswer.h"
#include "app/RuntimeFolder.h"
#include "app/SingleInstance.h"
#include "check/Identity.h"
#include "check/NoAnswerText.h"
#include "base/CommandLine.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"
#include "ui/ProgramIcon.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (const auto answer = mvx::ProgramAnswer(argc, argv)) {
        return std::fputs(answer->c_str(), stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    // Before the application object: its X11 platform takes the startup id
    // out of the environment.
    const QByteArray waylandToken = qgetenv("XDG_ACTIVATION_TOKEN");
    const QByteArray startupId = qgetenv("DESKTOP_STARTUP_ID");
    mvx::ChooseRuntimeFolder();
    mvx::Application app(argc, argv);
    const std::vector<std::string> parameters = mvx::ProgramParameters(argc, argv);

    // Before this instance carries the title or has a window of its own. A
    // running instance that never answered did not take this start's
    // request: whoever started it is told.
    mvx::SingleInstance instance;
    if (!instance.Claim(mvx::RequestOfThisStart(waylandToken, startupId, parameters))) {
        if (!instance.Unanswered())
            return 0;
        std::fputs(mvx::kNoAnswerLine, stderr);
        return mvx::kNoAnswerStatus;
    }

    // The class of the windows on X11 (StartupWMClass) is the application's name.
    QApplication::setApplicationName(QString::fromUtf8(mvx::kProgramTitle));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(mvx::kDesktopFileName));
    QApplication::setWindowIcon(mvx::ui::ProgramIcon());
    mvx::ui::ApplyProgramFont();

    mvx::ui::TMainForm MainForm(parameters);
    mvx::AnswerLaterStarts(instance, MainForm);
    MainForm.show();
    return QApplication::exec();
}
