// The Help and Version menu commands and the version window, with the desktop
// replaced by URL handlers of the test's own so that nothing really opens.
#include "check/Identity.h"
#include "support/ModalAnswer.h"
#include "support/TempFiles.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"
#include "ui/PVerForm.h"

#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextDocumentFragment>
#include <QUrl>

#include <filesystem>
#include <stdexcept>

using mvx::test::ModalWatcher;
using mvx::ui::TMainForm;
using mvx::ui::TVerForm;
namespace fs = std::filesystem;

namespace {

const QStringList kSchemes = {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https"),
                              QStringLiteral("mailto")};

// The desktop as the program sees it: it records every URL it is asked to open.
class Desktop : public QObject {
    Q_OBJECT
public:
    Desktop()
    {
        for (const QString &scheme : kSchemes)
            QDesktopServices::setUrlHandler(scheme, this, "Open");
    }
    ~Desktop() override
    {
        for (const QString &scheme : kSchemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }
    QList<QUrl> opened;

public slots:
    void Open(const QUrl &url) { opened << url; }
};

// Whatever lies at Readme.txt beside this test program; gone again afterwards.
class ReadmeBeside {
public:
    ReadmeBeside() { fs::remove_all(path_); }
    ~ReadmeBeside() { fs::remove_all(path_); }
    [[nodiscard]] const fs::path &Path() const { return path_; }

private:
    fs::path path_ = QFile::encodeName(QCoreApplication::applicationDirPath() + QStringLiteral("/Readme.txt"))
                         .toStdString();
};

QAction &Menu(TMainForm &form, const char *name)
{
    auto *action = form.findChild<QAction *>(QString::fromLatin1(name));
    if (action == nullptr)
        throw std::logic_error(std::string("no menu command ") + name);
    return *action;
}

template <typename W> W &Child(QWidget &parent, const QString &name)
{
    auto *child = parent.findChild<W *>(name);
    if (child == nullptr)
        throw std::logic_error("no control " + name.toStdString());
    return *child;
}

// The version window on its own, shown without the modal loop of the command.
struct ShownVersionWindow {
    ShownVersionWindow() { form.show(); }
    TMainForm owner;
    TVerForm form{&owner};
};

} // namespace

class HelpVersionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { mvx::ui::ApplyProgramFont(); }

    void HelpOpensOnlyARegularReadmeBesideTheProgram_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("opens");
        QTest::newRow("file") << "file" << true;
        QTest::newRow("empty file") << "empty" << true;
        QTest::newRow("link to a file") << "link" << true;
        QTest::newRow("nothing") << "none" << false;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("link to nothing") << "dangling" << false;
    }
    void HelpOpensOnlyARegularReadmeBesideTheProgram()
    {
        QFETCH(QString, entry);
        QFETCH(bool, opens);
        const ReadmeBeside readme;
        const mvx::test::TempDir elsewhere;
        if (entry == u"file")
            mvx::test::WriteBytes(readme.Path(), "manual");
        else if (entry == u"empty")
            mvx::test::WriteBytes(readme.Path(), "");
        else if (entry == u"folder")
            fs::create_directory(readme.Path());
        else if (entry == u"link" || entry == u"dangling")
            fs::create_symlink(elsewhere.Path() / "manual.txt", readme.Path());
        if (entry == u"link")
            mvx::test::WriteBytes(elsewhere.File("manual.txt"), "manual");

        TMainForm form;
        form.show();
        const Desktop desktop;
        const ModalWatcher watcher;
        Menu(form, "MenuHelp").trigger();

        const QString path = QFile::decodeName(QByteArray::fromStdString(readme.Path().string()));
        if (opens) {
            QCOMPARE(desktop.opened.size(), 1);
            QCOMPARE(desktop.opened.at(0).toString(), QStringLiteral("file://") + path);
            QCOMPARE(desktop.opened.at(0).toLocalFile(), path);
            QVERIFY(watcher.Seen().isEmpty());
        } else {
            QVERIFY(desktop.opened.isEmpty());
            QCOMPARE(watcher.Seen().size(), 1);
            QCOMPARE(watcher.Seen().at(0).title, QStringLiteral("警告"));
            QCOMPARE(watcher.Seen().at(0).text, QStringLiteral("Readme.txtが存在しません"));
            QCOMPARE(watcher.Seen().at(0).icon, int(QMessageBox::Warning));
        }
        QVERIFY(mvx::test::VisibleTopLevels(&form).isEmpty());
    }

    void VersionWindowHasAFixedFrameWithoutButtons()
    {
        ShownVersionWindow shown;
        TVerForm &form = shown.form;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("バージョン情報"));
        QCOMPARE(form.size(), QSize(255, 136));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowTitleHint));
        for (Qt::WindowType button :
             {Qt::WindowSystemMenuHint, Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint,
              Qt::WindowMaximizeButtonHint, Qt::WindowContextHelpButtonHint})
            QVERIFY2(!flags.testFlag(button), qPrintable(QString::number(button, 16)));
        auto &ok = Child<QPushButton>(form, QStringLiteral("Button1"));
        QCOMPARE(ok.geometry(), QRect(176, 96, 65, 25));
        QCOMPARE(ok.text(), QStringLiteral("OK"));
        QCOMPARE(form.focusWidget(), &ok);
    }

    void VersionWindowLabelsSitWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("link");
        QTest::newRow("version") << "Label1" << QPoint(66, 16) << QString::fromUtf8(mvx::kVersionLine)
                                 << false;
        QTest::newRow("home page caption") << "Label2" << QPoint(16, 40) << "ホームページ" << false;
        QTest::newRow("home page") << "Label3" << QPoint(16, 64) << "https://www.example.org/morvatix/"
                                   << true;
        QTest::newRow("mail caption") << "Label4" << QPoint(16, 88) << "メールアドレス" << false;
        QTest::newRow("mail address") << "Label5" << QPoint(16, 112) << "morvatix@example.org" << true;
    }
    void VersionWindowLabelsSitWhereTheLayoutPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QPoint, at);
        QFETCH(QString, text);
        QFETCH(bool, link);
        ShownVersionWindow shown;
        TVerForm &form = shown.form;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto &label = Child<QLabel>(form, name);
        QCOMPARE(label.pos(), at);
        // What the user reads: a link shows its text, not its markup.
        QCOMPARE(link ? QTextDocumentFragment::fromHtml(label.text()).toPlainText() : label.text(), text);
        // Fits its text, inside the window and clear of the OK button.
        QVERIFY(label.width() >= label.fontMetrics().horizontalAdvance(text));
        QVERIFY(label.height() >= label.fontMetrics().height());
        QVERIFY(form.rect().contains(label.geometry()));
        QVERIFY(!label.geometry().intersects(Child<QPushButton>(form, QStringLiteral("Button1")).geometry()));
        QCOMPARE(label.palette().color(link ? QPalette::Link : QPalette::WindowText) == QColor(Qt::blue),
                 link);
        QCOMPARE(label.font().underline(), link);
        QCOMPARE(label.cursor().shape(), link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }

    void LinksHandTheirExactTargetsToTheDesktop_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("releasedOver");
        QTest::addColumn<QString>("target"); // empty: nothing is opened
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("home page") << "Label3" << true << "https://www.example.org/morvatix/"
                                   << QByteArray("https://www.example.org/morvatix/");
        QTest::newRow("mail") << "Label5" << true << "mailto:Morvatix<morvatix@example.org>"
                              << QByteArray("mailto:Morvatix%3Cmorvatix@example.org%3E");
        QTest::newRow("mail, released elsewhere") << "Label5" << false << "" << QByteArray();
        QTest::newRow("plain label") << "Label2" << true << "" << QByteArray();
    }
    void LinksHandTheirExactTargetsToTheDesktop()
    {
        QFETCH(QString, name);
        QFETCH(bool, releasedOver);
        QFETCH(QString, target);
        QFETCH(QByteArray, encoded);
        ShownVersionWindow shown;
        TVerForm &form = shown.form;
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const Desktop desktop;
        auto &label = Child<QLabel>(form, name);
        const QPoint release = releasedOver ? label.rect().center() : QPoint(label.width() + 20, -5);
        QTest::mousePress(&label, Qt::LeftButton, {}, label.rect().center());
        QTest::mouseRelease(&label, Qt::LeftButton, {}, release);

        if (target.isEmpty()) {
            QVERIFY(desktop.opened.isEmpty());
        } else {
            QCOMPARE(desktop.opened.size(), 1);
            QCOMPARE(desktop.opened.at(0).toString(QUrl::DecodeReserved), target);
            QCOMPARE(desktop.opened.at(0).toEncoded(), encoded);
        }
        QVERIFY(form.isVisible());
    }

    void VersionCommandCentresItsWindowOnTheScreen_data()
    {
        QTest::addColumn<QPoint>("mainAt");
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QTest::newRow("top left") << screen.topLeft();
        QTest::newRow("bottom right") << screen.bottomRight() - QPoint(360, 200);
        QTest::newRow("partly off the screen") << screen.topLeft() - QPoint(150, 80);
    }
    void VersionCommandCentresItsWindowOnTheScreen()
    {
        QFETCH(QPoint, mainAt);
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.move(mainAt);
        // The platform may pull a window back towards the screen a little.
        QCoreApplication::processEvents();
        const QPoint placed = form.pos();
        QVERIFY((placed - mainAt).manhattanLength() < 10);

        QRect frame;
        QPointer<QWidget> shown;
        const ModalWatcher watcher([&](QWidget *modal) {
            shown = modal;
            frame = modal->frameGeometry();
        });
        Menu(form, "MenuVer").trigger();

        QVERIFY(shown);
        QVERIFY(qobject_cast<TVerForm *>(shown.data()) != nullptr);
        QCOMPARE(shown->parentWidget(), &form);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QPoint centred(screen.x() + (screen.width() - frame.width()) / 2,
                             screen.y() + (screen.height() - frame.height()) / 2);
        QCOMPARE(frame.topLeft(), centred);
        QCOMPARE(form.pos(), placed);
        // Released once the command is over.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!shown);
        QVERIFY(mvx::test::VisibleTopLevels(&form).isEmpty());
    }

    void VersionWindowClosesFromTheKeyboard_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Space") << int(Qt::Key_Space);
    }
    void VersionWindowClosesFromTheKeyboard()
    {
        QFETCH(int, key);
        TMainForm form;
        form.show();
        bool closedByKey = false;
        const ModalWatcher watcher([&](QWidget *modal) {
            QTest::keyClick(modal->focusWidget(), Qt::Key(key));
            closedByKey = !modal->isVisible();
        });
        Menu(form, "MenuVer").trigger();
        QCOMPARE(watcher.Seen().size(), 1);
        QVERIFY(closedByKey);
    }

    void MenuCommandsCannotBeChosenDuringAComparison()
    {
        const mvx::test::TempDir dir;
        const std::string bytes = mvx::test::Pattern(1'048'576);
        mvx::test::WriteBytes(dir.File("a"), bytes);
        mvx::test::WriteBytes(dir.File("b"), bytes);
        TMainForm form;
        form.show();
        Child<QLineEdit>(form, QStringLiteral("Edit1")).setText(QString::fromStdString(dir.File("a")));
        Child<QLineEdit>(form, QStringLiteral("Edit2")).setText(QString::fromStdString(dir.File("b")));
        QAction &help = Menu(form, "MenuHelp");
        QAction &version = Menu(form, "MenuVer");

        int busySteps = 0;
        bool anyEnabled = false;
        connect(&Child<QProgressBar>(form, QStringLiteral("ProgressBar1")), &QProgressBar::valueChanged, this,
                [&] {
                    if (!form.IsBusy())
                        return;
                    ++busySteps;
                    anyEnabled = anyEnabled || help.isEnabled() || version.isEnabled();
                    // What a click in the menu bar would do now.
                    help.trigger();
                    version.trigger();
                });
        const Desktop desktop;
        const ModalWatcher watcher;
        Child<QPushButton>(form, QStringLiteral("Button3")).click();

        QVERIFY(busySteps > 1);
        QVERIFY(!anyEnabled);
        QVERIFY(desktop.opened.isEmpty());
        QCOMPARE(watcher.Seen().size(), 1);
        QCOMPARE(watcher.Seen().at(0).title, QStringLiteral("判定結果"));
        QVERIFY(help.isEnabled());
        QVERIFY(version.isEnabled());
    }
};

QTEST_MAIN(HelpVersionTest)
#include "HelpVersionTest.moc"
