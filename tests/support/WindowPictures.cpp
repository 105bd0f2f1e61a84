// Draws the main window and the verdict window, as a check of two identical
// files leaves them, into PNG files: the pictures of the README.
//     mvx-window-pictures MAIN.png VERDICT.png
// The files are named relative to a temporary folder, so that the fields
// show names a user might have, and nothing of the machine they were made on.
#include "app/RuntimeFolder.h"
#include "support/ModalAnswer.h"
#include "support/TempFiles.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    mvx::ChooseRuntimeFolder();
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: mvx-window-pictures MAIN.png VERDICT.png\n", stderr);
        return 2;
    }
    const QString mainPicture = QFileInfo(QFile::decodeName(argv[1])).absoluteFilePath();
    const QString verdictPicture = QFileInfo(QFile::decodeName(argv[2])).absoluteFilePath();
    mvx::ui::ApplyProgramFont();

    const QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    const std::string source = "写真/IMG_0412.JPG";
    const std::string target = "バックアップ/写真/IMG_0412.JPG";
    QDir().mkpath(QStringLiteral("写真"));
    QDir().mkpath(QStringLiteral("バックアップ/写真"));
    const std::string bytes = mvx::test::Pattern(8 << 20);
    mvx::test::WriteBytes(source, bytes);
    mvx::test::WriteBytes(target, bytes);

    mvx::ui::TMainForm window({source, target});
    window.show();
    bool verdictSaved = false;
    const mvx::test::ModalWatcher watcher(
        [&](QWidget *verdict) { verdictSaved = verdict->grab().save(verdictPicture); });
    // Returns once the verdict window has been drawn and closed.
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Button3")), Qt::LeftButton);
    const bool mainSaved = window.grab().save(mainPicture);
    if (!verdictSaved || !mainSaved) {
        std::fputs("mvx-window-pictures: a picture could not be made or saved\n", stderr);
        return 1;
    }
    return 0;
}
