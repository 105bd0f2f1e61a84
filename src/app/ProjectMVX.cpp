// Morvatix: are two files identical, byte for byte?
#include "app/Application.h"
#include "app/ProgramAnswer.h"
#include "app/SingleInstance.h"
#include "check/Guarded.h"
#include "check/Identity.h"
#include "compare/CommandLine.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (const auto answer = mvx::ProgramAnswer(argc, argv)) {
        return std::fputs(answer->c_str(), stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 1;
    }
    mvx::Application app(argc, argv);

    // Before this instance carries the title or has a window of its own.
    mvx::SingleInstance instance;
    if (!instance.Claim())
        return 0;

    // The class of the windows on X11 (StartupWMClass) is the application's name.
    QApplication::setApplicationName(QString::fromUtf8(mvx::kProgramTitle));
    QGuiApplication::setDesktopFileName(QString::fromUtf8(mvx::kDesktopFileName));
    mvx::ui::ApplyProgramFont();

    mvx::ui::TMainForm MainForm(mvx::ProgramParameters(argc, argv));
    QObject::connect(&instance, &mvx::SingleInstance::ActivationRequested, &MainForm,
                     [&MainForm] { mvx::Guarded([&MainForm] { MainForm.BringForward(); }); });
    MainForm.show();
    return QApplication::exec();
}
