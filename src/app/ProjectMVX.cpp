// Morvatix: are two files identical, byte for byte?
#include "app/Application.h"
#include "app/ComeForward.h"
#include "app/SingleInstance.h"
#include "check/Identity.h"
#include "compare/FileLayer.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"
#include "ui/ProgramIcon.h"

int main(int argc, char *argv[])
{
    // Before the application object: its X11 platform takes the startup id
    // out of the environment.
    const QByteArray waylandToken = qgetenv("XDG_ACTIVATION_TOKEN");
    const QByteArray startupId = qgetenv("DESKTOP_STARTUP_ID");
    mvx::Application app(argc, argv);
    const std::vector<std::string> parameters = mvx::ProgramParameters(argc, argv);

    // Before this instance carries the title or has a window of its own.
    mvx::SingleInstance instance;
    if (!instance.Claim(mvx::RequestOfThisStart(waylandToken, startupId, parameters)))
        return 0;

    QApplication::setApplicationName(QString::fromUtf8(mvx::kProgramTitle));
    QApplication::setWindowIcon(mvx::ui::ProgramIcon());
    mvx::ui::ApplyProgramFont();

    mvx::ui::TMainForm MainForm(parameters);
    mvx::AnswerLaterStarts(instance, MainForm);
    MainForm.show();
    return QApplication::exec();
}
