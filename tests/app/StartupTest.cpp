// Start-up as the user meets it: real processes of the program, each test on a
// runtime folder of its own so that no real instance and no other test is in
// the way; and the Error box that reports whatever escapes a handler.
#include "app/Application.h"
#include "app/SingleInstance.h"
#include "compare/CompareError.h"
#include "compare/FileLayer.h"
#include "support/ModalAnswer.h"
#include "support/TempFiles.h"
#include "ui/Boxes.h"
#include "ui/Fonts.h"
#include "ui/Guarded.h"
#include "ui/MVX.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <list>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using mvx::test::ModalWatcher;
using mvx::ui::TMainForm;

namespace {

const QString kProgram = QStringLiteral(MVX_PROGRAM);

// Set for a run of this program that plays the started program.
constexpr char kCheckAsStarted[] = "MVX_CHECK_AS_STARTED";

// Generous, for a loaded machine: the wait ends as soon as the thing happens.
constexpr int kDeadlineMs = 30000;

// The user's runtime folder as a desktop session provides it: private to the
// user (0700). While it lives this process sees it too, so that the key it
// computes is the one the program's processes compute.
class RuntimeFolder {
public:
    RuntimeFolder()
        : previous_(qgetenv("XDG_RUNTIME_DIR")), hadPrevious_(qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
    {
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.path()));
    }
    ~RuntimeFolder()
    {
        if (hadPrevious_)
            qputenv("XDG_RUNTIME_DIR", previous_);
        else
            qunsetenv("XDG_RUNTIME_DIR");
    }
    RuntimeFolder(const RuntimeFolder &) = delete;
    RuntimeFolder &operator=(const RuntimeFolder &) = delete;

    [[nodiscard]] QString Path() const { return dir_.path(); }
    [[nodiscard]] static QString Key() { return mvx::SingleInstance::DefaultKey(); }

private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_;
};

// One start of the program with two paths, ended by force if it still runs
// when the test is over.
class Start {
public:
    explicit Start(const RuntimeFolder &folder)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.Path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start(kProgram, {folder.Path() + QStringLiteral("/source.bin"),
                                 folder.Path() + QStringLiteral("/target.bin")});
        process.waitForStarted(kDeadlineMs);
    }
    ~Start() { Kill(); }
    Start(const Start &) = delete;
    Start &operator=(const Start &) = delete;

    [[nodiscard]] bool Running() const { return process.state() == QProcess::Running; }
    [[nodiscard]] bool Ended() const { return process.state() == QProcess::NotRunning; }
    void Kill()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kDeadlineMs);
        }
    }

    QProcess process;
};

// Someone answers on the instance socket: a file left by a crashed instance
// refuses the connection.
bool Listening(const QString &key)
{
    QLocalSocket socket;
    socket.connectToServer(key);
    return socket.waitForConnected(1000);
}

bool WaitUntilListening(const QString &key)
{
    return QTest::qWaitFor([&key] { return Listening(key); }, kDeadlineMs);
}

// A start that found a running instance: it ends by itself, with code 0, and
// says nothing on either channel.
void ExpectEndedQuietly(Start &start)
{
    QVERIFY(QTest::qWaitFor([&start] { return start.Ended(); }, kDeadlineMs));
    QCOMPARE(start.process.error(), QProcess::UnknownError);
    QCOMPARE(start.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(start.process.exitCode(), 0);
    QCOMPARE(start.process.readAllStandardOutput(), QByteArray());
    QCOMPARE(start.process.readAllStandardError(), QByteArray());
}

// An object whose own event handling fails, as code outside any guarded
// handler could; only the application object stands between it and Qt.
class Thrower : public QObject {
public:
    enum Failure { Compare, Runtime, Other };

    [[nodiscard]] static QEvent::Type FailType() { return QEvent::Type(QEvent::User + 1); }

    Failure failure = Compare;
    QString message;

    bool event(QEvent *event) override
    {
        if (event->type() == FailType())
            Throw(failure, message);
        return QObject::event(event);
    }

    [[noreturn]] static void Throw(Failure failure, const QString &message)
    {
        switch (failure) {
        case Compare:
            throw mvx::CompareError(message.toStdString());
        case Runtime:
            throw std::runtime_error(message.toStdString());
        case Other:
            break;
        }
        throw 42;
    }
};

// Runs this test program again, the way the program starts: with the two
// names as the bytes they are (QProcess would pass them as text), and the
// window built from its parameters. What it showed comes back, one box a line.
QByteArray CheckAsStarted(const std::string &source, const std::string &target)
{
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::string self = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    std::string a = source;
    std::string b = target;
    char *arguments[] = {self.data(), a.data(), b.data(), nullptr};
    qputenv(kCheckAsStarted, "1");
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, arguments, environ);
    qunsetenv(kCheckAsStarted);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    QByteArray shown;
    char buffer[4096];
    for (ssize_t got = 0; spawned == 0 && (got = ::read(out[0], buffer, sizeof buffer)) > 0;)
        shown.append(buffer, got);
    ::close(out[0]);
    int status = 0;
    if (spawned == 0)
        ::waitpid(pid, &status, 0);
    return shown;
}

// The other side of CheckAsStarted: the main window as the program makes it,
// one click on Check, and every box it opened written to standard output.
int RunCheckAsStarted(int argc, char *argv[])
{
    mvx::ui::ApplyProgramFont();
    TMainForm window(mvx::ProgramParameters(argc, argv));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 2;
    const ModalWatcher watcher;
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Button3")), Qt::LeftButton);
    for (const QString &text : watcher.Texts())
        std::printf("%s\n", text.section(u'\n', 0, 0).toUtf8().constData());
    return 0;
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void secondStartBringsTheMinimisedFirstForwardAndEnds()
    {
        const RuntimeFolder folder;
        mvx::SingleInstance first(RuntimeFolder::Key());
        QVERIFY(first.Claim());
        TMainForm window;
        connect(&first, &mvx::SingleInstance::RequestReceived, &window,
                [&window] { window.BringForward(); });
        const QSignalSpy asked(&first, &mvx::SingleInstance::RequestReceived);
        window.showMinimized();
        QVERIFY(window.isMinimized());

        Start second(folder);
        ExpectEndedQuietly(second);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(asked.count(), 1);
        QTRY_VERIFY(!window.isMinimized());
        QVERIFY(window.isVisible());
    }

    void secondProcessEndsAndTheFirstRunsOn()
    {
        const RuntimeFolder folder;
        Start first(folder);
        QVERIFY(WaitUntilListening(folder.Key()));

        Start second(folder);
        ExpectEndedQuietly(second);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(first.Running());
        QVERIFY(Listening(folder.Key()));
    }

    // A first instance that is alive but does not answer (stopped here) is
    // still the one instance: a later start gives up after its deadline and
    // ends without opening a window of its own.
    void aStartFacingAStuckFirstInstanceEndsWithoutAWindow()
    {
        const RuntimeFolder folder;
        Start first(folder);
        QVERIFY(WaitUntilListening(folder.Key()));
        QVERIFY(::kill(static_cast<pid_t>(first.process.processId()), SIGSTOP) == 0);
        Start second(folder);
        const bool ended = QTest::qWaitFor([&second] { return second.Ended(); }, 3 * kDeadlineMs);
        ::kill(static_cast<pid_t>(first.process.processId()), SIGCONT);
        QVERIFY(ended);
        QCOMPARE(second.process.exitCode(), 0);
        QVERIFY(first.Running());
    }

    void leftoversOfACrashDoNotStopTheNextStart_data()
    {
        QTest::addColumn<bool>("keepSocket");
        QTest::addColumn<bool>("keepLock");
        QTest::newRow("socket and lock") << true << true;
        QTest::newRow("socket only") << true << false;
        QTest::newRow("lock only") << false << true;
    }

    void leftoversOfACrashDoNotStopTheNextStart()
    {
        QFETCH(bool, keepSocket);
        QFETCH(bool, keepLock);
        const RuntimeFolder folder;
        const QString socketFile = folder.Key();
        const QString lockFile = folder.Key() + QStringLiteral(".lock");
        {
            Start crashed(folder);
            QVERIFY(WaitUntilListening(folder.Key()));
            crashed.Kill();
            QCOMPARE(crashed.process.exitStatus(), QProcess::CrashExit);
        }
        QVERIFY(QFileInfo::exists(socketFile));
        QVERIFY(QFileInfo::exists(lockFile));
        if (!keepSocket)
            QVERIFY(QFile::remove(socketFile));
        if (!keepLock)
            QVERIFY(QFile::remove(lockFile));
        QVERIFY(!Listening(folder.Key()));

        Start next(folder);
        QVERIFY(WaitUntilListening(folder.Key()));
        QVERIFY(next.Running());

        Start further(folder);
        ExpectEndedQuietly(further);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(next.Running());
    }

    void twoStartsAtTheSameMomentLeaveOne_data()
    {
        QTest::addColumn<int>("round");
        for (int round = 1; round <= 3; ++round)
            QTest::addRow("round %d", round) << round;
    }

    void twoStartsAtTheSameMomentLeaveOne()
    {
        const RuntimeFolder folder;
        Start a(folder);
        Start b(folder);
        QVERIFY(QTest::qWaitFor([&] { return a.Ended() || b.Ended(); }, kDeadlineMs));
        Start &ended = a.Ended() ? a : b;
        Start &kept = a.Ended() ? b : a;
        ExpectEndedQuietly(ended);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(kept.Running());
        QVERIFY(WaitUntilListening(folder.Key()));
        QVERIFY(kept.Running());
    }

    // The program's two parameters are file names, which are bytes: names
    // that are not UTF-8 reach the comparison as the files they name.
    void namesThatAreNotUtf8ComeThroughTheCommandLine_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9.txt") << QByteArray("copy.txt")
                                 << QByteArray("     同一のファイルです\n");
        QTest::newRow("Shift_JIS") << QByteArray("\x83\x65\x83\x58\x83\x67.txt") << QByteArray("copy.txt")
                                   << QByteArray("     同一のファイルです\n");
        QTest::newRow("names a lossy text would make equal")
            << QByteArray("p\xe9.txt") << QByteArray("p\xe8.txt") << QByteArray("     同一のファイルです\n");
        QTest::newRow("beside its look-alike") << QByteArray("p\xe9.txt") << QByteArray("p\xef\xbf\xbd.txt")
                                               << QByteArray("     異なるファイルです\n");
    }
    void namesThatAreNotUtf8ComeThroughTheCommandLine()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, shown);
        const mvx::test::TempDir dir;
        const std::string folder = dir.Path().string() + "/";
        for (const char *name :
             {"caf\xe9.txt", "\x83\x65\x83\x58\x83\x67.txt", "p\xe9.txt", "p\xe8.txt", "copy.txt"})
            mvx::test::WriteBytes(folder + name, "same bytes");
        mvx::test::WriteBytes(folder + "p\xef\xbf\xbd.txt", "other bytes");
        QCOMPARE(CheckAsStarted(folder + source.toStdString(), folder + target.toStdString()), shown);
    }

    // Only a live first instance may stop a start: a lock that cannot be
    // made at all lets the program start as if alone, at once.
    void aLockThatCannotBeMadeLetsTheProgramStart_data()
    {
        QTest::addColumn<QString>("broken");
        QTest::newRow("lock path is a folder") << "folder";
        QTest::newRow("runtime folder is a file") << "file";
    }
    void aLockThatCannotBeMadeLetsTheProgramStart()
    {
        QFETCH(QString, broken);
        const QTemporaryDir dir;
        QString key = dir.path() + QStringLiteral("/morvatix-instance");
        if (broken == u"folder") {
            QVERIFY(QDir().mkdir(key + QStringLiteral(".lock")));
        } else {
            QFile file(dir.path() + QStringLiteral("/plain"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            key = file.fileName() + QStringLiteral("/morvatix-instance");
        }
        mvx::SingleInstance instance(key);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(instance.Claim());
        QVERIFY2(clock.elapsed() < 2500, "the start waited for an instance that cannot exist");
    }

    void errorBoxIsAModalStopBoxWithOneOk()
    {
        QStringList buttons;
        const ModalWatcher watcher([&buttons](QWidget *modal) {
            if (auto *box = qobject_cast<QMessageBox *>(modal))
                for (const QAbstractButton *button : box->buttons())
                    buttons << button->text();
        });
        mvx::ui::ErrorBox(QStringLiteral("ファイル x は開けません"));
        QCOMPARE(watcher.Seen().size(), 1);
        const mvx::test::SeenModal &seen = watcher.Seen().first();
        QCOMPARE(seen.className, QStringLiteral("QMessageBox"));
        QCOMPARE(seen.title, QStringLiteral("Morvatix"));
        QCOMPARE(seen.icon, int(QMessageBox::Critical));
        QCOMPARE(seen.text, QStringLiteral("ファイル x は開けません."));
        QCOMPARE(buttons, QStringList{QStringLiteral("OK")});
    }

    void failureLeavingAHandlerReachesTheErrorBox_data()
    {
        QTest::addColumn<bool>("throughEvent");
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("guarded handler, engine failure") << false << int(Thrower::Compare) << "x"
                                                         << "x.";
        QTest::newRow("guarded handler, anything else") << false << int(Thrower::Other) << ""
                                                        << "予期しないエラーが発生しました.";
        QTest::newRow("event, standard failure") << true << int(Thrower::Runtime) << "ファイル y は開けません"
                                                 << "ファイル y は開けません.";
        QTest::newRow("event, ends with a period") << true << int(Thrower::Runtime) << "stopped."
                                                   << "stopped.";
        QTest::newRow("event, anything else") << true << int(Thrower::Other) << ""
                                              << "予期しないエラーが発生しました.";
    }

    // Each failure gets its box and the event loop goes on delivering: a
    // second failure after the first box has closed is reported the same way.
    void failureLeavingAHandlerReachesTheErrorBox()
    {
        QFETCH(bool, throughEvent);
        QFETCH(int, failure);
        QFETCH(QString, message);
        QFETCH(QString, shown);
        TMainForm window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const ModalWatcher watcher;
        Thrower thrower;
        thrower.failure = Thrower::Failure(failure);
        thrower.message = message;
        const auto fail = [&] {
            if (throughEvent) {
                QCoreApplication::postEvent(&thrower, new QEvent(Thrower::FailType()));
                return;
            }
            QTimer::singleShot(0, &window, [&thrower] {
                mvx::ui::Guarded([&thrower] { Thrower::Throw(thrower.failure, thrower.message); });
            });
        };

        fail();
        QTRY_COMPARE(watcher.Seen().size(), 1);
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        fail();
        QTRY_COMPARE(watcher.Seen().size(), 2);
        QCOMPARE(watcher.Texts(), (QStringList{shown, shown}));
        QCOMPARE(watcher.Seen().first().title, QStringLiteral("Morvatix"));
        QCOMPARE(watcher.Seen().first().icon, int(QMessageBox::Critical));
        QVERIFY(window.isVisible());
    }
};

// The program's own application object, so that a failure escaping an event
// meets the same last net here as in the program.
int main(int argc, char *argv[])
{
    mvx::Application app(argc, argv);
    if (qEnvironmentVariableIsSet(kCheckAsStarted))
        return RunCheckAsStarted(argc, argv);
    StartupTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "StartupTest.moc"
