// Morvatix: are two files identical, byte for byte?
#include "app/Application.h"
#include "app/SingleInstance.h"
#include "check/Guarded.h"
#include "check/Identity.h"
#include "compare/CommandLine.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"

int main(int argc, char *argv[])
{
    mvx::Application app(argc, argv);

    // Before this instance carries the title or has a window of its own.
    mvx::SingleInstance instance;
    if (!instance.Claim())
        return 0;

    QApplication::setApplicationName(QString::fromUtf8(mvx::kProgramTitle));
    mvx::ui::ApplyProgramFont();

    mvx::ui::TMainForm MainForm(mvx::ProgramParameters(argc, argv));
    QObject::connect(&instance, &mvx::SingleInstance::ActivationRequested, &MainForm,
                     [&MainForm] { mvx::Guarded([&MainForm] { MainForm.BringForward(); }); });
    MainForm.show();
    return QApplication::exec();
}
