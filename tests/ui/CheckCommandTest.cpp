// The Check command as a user drives it: real window, real files, real boxes.
#include "support/ModalAnswer.h"
#include "support/TempFiles.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"

#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QtTest>

#include <cstdio>

using mvx::test::ModalWatcher;
using mvx::test::Pattern;
using mvx::test::TempDir;
using mvx::test::WriteBytes;
using mvx::ui::TMainForm;

namespace {

// The commands of the window as a user can see them.
struct Commands {
    QString button3;
    bool button1, button2, button4, menuHelp, menuVer, edit1, edit2;
    bool operator==(const Commands &) const = default;
};

const Commands kIdle{QStringLiteral("チェック"), true, true, true, true, true, true, true};
const Commands kBusy{QStringLiteral("ストップ"), false, false, false, false, false, true, true};

} // namespace

class CheckCommandTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TMainForm> window;
    TempDir dir;

    template <typename T> T *Child(const char *name) { return window->findChild<T *>(QLatin1String(name)); }
    QProgressBar *Bar() { return Child<QProgressBar>("ProgressBar1"); }

    Commands Now()
    {
        return {Child<QPushButton>("Button3")->text(),      Child<QPushButton>("Button1")->isEnabled(),
                Child<QPushButton>("Button2")->isEnabled(), Child<QPushButton>("Button4")->isEnabled(),
                Child<QAction>("MenuHelp")->isEnabled(),    Child<QAction>("MenuVer")->isEnabled(),
                Child<QLineEdit>("Edit1")->isEnabled(),     Child<QLineEdit>("Edit2")->isEnabled()};
    }

    void Check(const QString &source, const QString &target)
    {
        Child<QLineEdit>("Edit1")->setText(source);
        Child<QLineEdit>("Edit2")->setText(target);
        QTest::mouseClick(Child<QPushButton>("Button3"), Qt::LeftButton);
    }

    QString Make(const char *name, const std::string &bytes)
    {
        const std::string path = dir.File(name);
        WriteBytes(path, bytes);
        return QString::fromStdString(path);
    }

    void ExpectIdleAndAlone()
    {
        QCOMPARE(Now(), kIdle);
        QCOMPARE(Bar()->value(), 0);
        QVERIFY(!window->IsBusy());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(mvx::test::VisibleTopLevels(window.get()).size(), 0);
    }

private slots:
    void initTestCase() { mvx::ui::ApplyProgramFont(); }

    void init()
    {
        window = std::make_unique<TMainForm>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup() { window.reset(); }

    void warnsOfTheFirstProblemOnly_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("warning");
        const QString file = Make("exists", "1");
        const QString folder = QString::fromStdString(dir.Path().string());
        const QString missing = QString::fromStdString(dir.File("missing"));
        QTest::newRow("both empty") << ""
                                    << ""
                                    << "比較元が空白です";
        QTest::newRow("target empty") << file << ""
                                      << "比較先が空白です";
        QTest::newRow("same text, no such file") << missing << missing << "同一ファイルは選択できません";
        QTest::newRow("source is a folder") << folder << file << "比較元ファイルが存在しません";
        QTest::newRow("target missing") << file << missing << "比較先ファイルが存在しません";
    }

    void warnsOfTheFirstProblemOnly()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QString, warning);
        const ModalWatcher watcher;
        Check(source, target);
        QCOMPARE(watcher.Seen().size(), 1);
        QCOMPARE(watcher.Seen().first().title, QStringLiteral("警告"));
        QCOMPARE(watcher.Seen().first().icon, int(QMessageBox::Warning));
        QCOMPARE(watcher.Seen().first().text, warning);
        ExpectIdleAndAlone();
    }

    void differentSizesAreAnsweredAtOnceWithoutTheBusyState()
    {
        const QString a = Make("short", Pattern(1000));
        const QString b = Make("long", Pattern(1001));
        QSignalSpy moved(Bar(), &QProgressBar::valueChanged);
        Commands duringVerdict;
        const ModalWatcher watcher([&](QWidget *) { duringVerdict = Now(); });
        Check(a, b);
        QCOMPARE(watcher.Texts(),
                 QStringList{QStringLiteral("     異なるファイルです\n     処理時間　0.0001 秒")});
        QCOMPARE(duringVerdict, kIdle);
        QCOMPARE(moved.count(), 0);
        QCOMPARE(window->Outcome().ElapsedSeconds.count(), 1);
        ExpectIdleAndAlone();
    }

    void equalFilesRunBusyAndEndIdentical()
    {
        const std::string bytes = Pattern(3 * 1024 * 1024);
        const QString a = Make("a", bytes);
        const QString b = Make("b", bytes);
        QList<Commands> seenWhileReading;
        QList<int> positions;
        connect(Bar(), &QProgressBar::valueChanged, this, [&](int value) {
            positions << value;
            if (value > 0)
                seenWhileReading << Now();
        });
        Commands duringVerdict;
        const ModalWatcher watcher([&](QWidget *) { duringVerdict = Now(); });
        Check(a, b);

        QCOMPARE(watcher.Seen().size(), 1);
        QCOMPARE(watcher.Seen().first().title, QStringLiteral("判定結果"));
        QVERIFY2(watcher.Seen().first().text.startsWith(
                     QStringLiteral("     同一のファイルです\n     処理時間　")),
                 qPrintable(watcher.Seen().first().text));
        QVERIFY(!seenWhileReading.isEmpty());
        for (const Commands &c : seenWhileReading)
            QCOMPARE(c, kBusy);
        QCOMPARE(duringVerdict, kBusy);
        QCOMPARE(positions.first(), 102400);
        QCOMPARE(positions.at(positions.size() - 2), 3 * 1024 * 1024);
        QCOMPARE(positions.last(), 0);
        QVERIFY(window->Outcome().SameFile);
        QCOMPARE(window->Outcome().ElapsedSeconds.count() % 10, 0);
        ExpectIdleAndAlone();
    }

    void typingAndDroppingDuringAComparisonDoNotChangeIt()
    {
        const std::string bytes = Pattern(3 * 1024 * 1024);
        const QString a = Make("a", bytes);
        const QString b = Make("b", bytes);
        const QString other = Make("other", Pattern(3 * 1024 * 1024, 0));
        bool changed = false;
        connect(Bar(), &QProgressBar::valueChanged, this, [&](int value) {
            if (value > 0 && !changed) {
                changed = true;
                Child<QLineEdit>("Edit2")->setText(other);
                QVERIFY(mvx::test::DropFiles(Child<QLineEdit>("Edit1"), {other}));
            }
        });
        const ModalWatcher watcher;
        Check(a, b);
        QVERIFY(changed);
        QCOMPARE(watcher.Seen().size(), 1);
        QVERIFY(watcher.Seen().first().text.startsWith(QStringLiteral("     同一のファイルです")));
        QCOMPARE(Child<QLineEdit>("Edit1")->text(), other);
        QCOMPARE(Child<QLineEdit>("Edit2")->text(), other);
    }

    void differentContentGivesTheCross()
    {
        const QString a = Make("a", Pattern(300000));
        const QString b = Make("b", Pattern(300000, 299999));
        const ModalWatcher watcher;
        Check(a, b);
        QCOMPARE(watcher.Seen().size(), 1);
        QVERIFY(watcher.Seen().first().text.startsWith(QStringLiteral("     異なるファイルです\n")));
        QVERIFY(!window->Outcome().SameFile);
        ExpectIdleAndAlone();
    }

    void twoEmptyFilesAreIdentical()
    {
        const QString a = Make("empty-a", "");
        const QString b = Make("empty-b", "");
        const ModalWatcher watcher;
        Check(a, b);
        QCOMPARE(watcher.Seen().size(), 1);
        QVERIFY(watcher.Seen().first().text.startsWith(QStringLiteral("     同一のファイルです")));
        QVERIFY(!Bar()->isTextVisible() || Bar()->maximum() > Bar()->minimum());
        QVERIFY2(Bar()->maximum() > Bar()->minimum(), "an empty range would leave a busy indicator running");
        ExpectIdleAndAlone();
    }

    void stopEndsWithCancelledAndNoVerdict()
    {
        const std::string bytes = Pattern(4 * 1024 * 1024);
        const QString a = Make("a", bytes);
        const QString b = Make("b", bytes);
        bool clicked = false;
        connect(Bar(), &QProgressBar::valueChanged, this, [&](int value) {
            if (value > 0 && !clicked) {
                clicked = true;
                QTest::mouseClick(Child<QPushButton>("Button3"), Qt::LeftButton);
            }
        });
        const ModalWatcher watcher;
        Check(a, b);
        QVERIFY(clicked);
        QCOMPARE(watcher.Texts(), QStringList{QStringLiteral("キャンセルされました")});
        QCOMPARE(watcher.Seen().first().title, QStringLiteral("警告"));
        ExpectIdleAndAlone();
    }

    void aFailureInsideTheComparisonIsReportedAndLeavesTheWindowIdle()
    {
        const std::string bytes = Pattern(2 * 1024 * 1024);
        const QString a = Make("a", bytes);
        const QString b = Make("b", bytes);
        const QString other = Make("other", bytes);
        // The path then names another file than the one that was read.
        bool renamed = false;
        connect(Bar(), &QProgressBar::valueChanged, this, [&](int value) {
            if (value == 102400 && !renamed) {
                renamed = true;
                QVERIFY(std::rename(other.toLocal8Bit().constData(), b.toLocal8Bit().constData()) == 0);
            }
        });
        {
            const ModalWatcher watcher;
            Check(a, b);
            QCOMPARE(watcher.Seen().size(), 1);
            QCOMPARE(watcher.Seen().first().title, QStringLiteral("Morvatix"));
            QCOMPARE(watcher.Seen().first().icon, int(QMessageBox::Critical));
            QCOMPARE(watcher.Seen().first().text, QStringLiteral("ストリームからの読み込みエラー."));
            ExpectIdleAndAlone();
        }

        // The window works again after the failure.
        const QString c = Make("c", bytes);
        const ModalWatcher again;
        Check(a, c);
        QCOMPARE(again.Seen().size(), 1);
        QCOMPARE(again.Seen().first().title, QStringLiteral("判定結果"));
    }

    void closingDuringAComparisonStopsItAndCloses()
    {
        const std::string bytes = Pattern(4 * 1024 * 1024);
        const QString a = Make("a", bytes);
        const QString b = Make("b", bytes);
        bool closed = false;
        connect(Bar(), &QProgressBar::valueChanged, this, [&](int value) {
            if (value > 0 && !closed) {
                closed = true;
                window->close();
            }
        });
        const ModalWatcher watcher;
        Check(a, b);
        QVERIFY(closed);
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(watcher.Seen().size(), 0);
        QVERIFY(!window->IsBusy());
        QCOMPARE(mvx::test::VisibleTopLevels().size(), 0);
    }

    // File names are bytes. Names that are not UTF-8, dropped from a file
    // manager as percent-encoded URLs, reach the comparison exactly, also
    // beside a file whose name is what a lossy conversion would make of them.
    void namesThatAreNotUtf8AreComparedAsTheFilesTheyName_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("Latin-1 against UTF-8")
            << QByteArray("caf\xe9.txt") << QByteArray("copy.txt") << "     同一のファイルです";
        QTest::newRow("Shift_JIS against UTF-8") << QByteArray("\x83\x65\x83\x58\x83\x67.txt")
                                                 << QByteArray("copy.txt") << "     同一のファイルです";
        QTest::newRow("two names a lossy text would make equal")
            << QByteArray("p\xe9.txt") << QByteArray("p\xe8.txt") << "     同一のファイルです";
        QTest::newRow("the look-alike is another file")
            << QByteArray("p\xef\xbf\xbd.txt") << QByteArray("copy.txt") << "     異なるファイルです";
    }
    void namesThatAreNotUtf8AreComparedAsTheFilesTheyName()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, target);
        QFETCH(QString, verdict);
        const std::string folder = dir.Path().string() + "/";
        for (const char *name :
             {"caf\xe9.txt", "\x83\x65\x83\x58\x83\x67.txt", "p\xe9.txt", "p\xe8.txt", "copy.txt"})
            WriteBytes(folder + name, Pattern(5000));
        WriteBytes(folder + "p\xef\xbf\xbd.txt", Pattern(5000, 17));
        const auto url = [&](const QByteArray &name) {
            return QUrl(QStringLiteral("file://") +
                        QString::fromLatin1(QByteArray::fromStdString(folder).toPercentEncoding("/") +
                                            name.toPercentEncoding()));
        };
        QVERIFY(mvx::test::DropUrls(Child<QLineEdit>("Edit1"), {url(source)}));
        QVERIFY(mvx::test::DropUrls(Child<QLineEdit>("Edit2"), {url(target)}));
        const ModalWatcher watcher;
        QTest::mouseClick(Child<QPushButton>("Button3"), Qt::LeftButton);
        QCOMPARE(watcher.Seen().size(), 1);
        QCOMPARE(watcher.Seen().first().text.section(u'\n', 0, 0), verdict);
        ExpectIdleAndAlone();
    }

    // Last: it gives up root's right to read any file for the rest of the run.
    void aSourceThatCannotBeOpenedGoesToTheErrorBox()
    {
        const QString a = Make("locked", Pattern(100));
        const QString b = Make("open", Pattern(100));
        if (!mvx::test::MakeUnreadable(a.toStdString()))
            QSKIP("this process can read a file without permissions");
        const ModalWatcher watcher;
        Check(a, b);
        QCOMPARE(watcher.Seen().size(), 1);
        QCOMPARE(watcher.Seen().first().title, QStringLiteral("Morvatix"));
        QCOMPARE(watcher.Seen().first().text, QStringLiteral("ファイル %1 は開けません.").arg(a));
        ExpectIdleAndAlone();
    }
};

QTEST_MAIN(CheckCommandTest)
#include "CheckCommandTest.moc"
