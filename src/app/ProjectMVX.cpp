// Morvatix: are two files identical, byte for byte?
#include "AppInfo.h"
#include "Application.h"
#include "FileLayer.h"
#include "Fonts.h"
#include "MVX.h"
#include "SingleInstance.h"

#include <QFile>

int main(int argc, char *argv[])
{
    mvx::Application app(argc, argv);

    // Before this instance carries the title or has a window of its own.
    mvx::SingleInstance instance;
    if (!instance.Claim())
        return 0;

    QApplication::setApplicationName(mvx::kApplicationTitle);
    mvx::ui::ApplyProgramFont();

    QStringList parameters;
    for (const std::string &parameter : mvx::ProgramParameters(argc, argv))
        parameters << QFile::decodeName(QByteArray::fromStdString(parameter));

    mvx::ui::TMainForm MainForm(parameters);
    QObject::connect(&instance, &mvx::SingleInstance::ActivationRequested, &MainForm,
                     [&MainForm] { mvx::ui::Guarded(&MainForm, [&MainForm] { MainForm.BringForward(); }); });
    MainForm.show();
    return QApplication::exec();
}
