// Start-up as the user meets it: real processes of the program, each test on a
// runtime folder of its own so that no real instance and no other test is in
// the way; and the Error box that reports whatever escapes a handler.
#include "AppInfo.h"
#include "Application.h"
#include "ApplicationEvents.h"
#include "CompareError.h"
#include "ErrorBox.h"
#include "MVX.h"
#include "ModalAnswer.h"
#include "SingleInstance.h"

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

#include <csignal>
#include <list>
#include <stdexcept>

using namespace Qt::StringLiterals;
using mvx::test::ModalWatcher;
using mvx::ui::TMainForm;

namespace {

const QString kProgram = QStringLiteral(MVX_PROGRAM);

// Generous, for a loaded machine: the wait ends as soon as the thing happens.
constexpr int kDeadlineMs = 10000;

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
        connect(&first, &mvx::SingleInstance::ActivationRequested, &window,
                [&window] { window.BringForward(); });
        const QSignalSpy asked(&first, &mvx::SingleInstance::ActivationRequested);
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

    void periodRule_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char *name, const char *message, const char *shown) {
            QTest::newRow(name) << QString::fromUtf8(message) << QString::fromUtf8(shown);
        };
        row("multi-byte last character", "ファイル x は開けません", "ファイル x は開けません.");
        row("period", "abc.", "abc.");
        row("closing parenthesis", "(x)", "(x)");
        row("exclamation mark", "ok!", "ok!");
        row("hyphen, just below the period", "-", "-");
        row("slash, just above the period", "x/", "x/.");
        row("digit", "9", "9.");
        row("letter", "a", "a.");
        row("question mark", "?", "?.");
        row("line break", "line\n", "line\n");
        row("blank", "a ", "a ");
        row("empty", "", "");
    }

    void periodRule()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(mvx::WithClosingPeriod(message), shown);
    }

    void errorBoxIsAModalStopBoxWithOneOk()
    {
        QStringList buttons;
        const ModalWatcher watcher([&buttons](QWidget *modal) {
            if (auto *box = qobject_cast<QMessageBox *>(modal))
                for (const QAbstractButton *button : box->buttons())
                    buttons << button->text();
        });
        mvx::ShowErrorBox(QStringLiteral("ファイル x は開けません"));
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
                mvx::ui::Guarded(nullptr, [&thrower] { Thrower::Throw(thrower.failure, thrower.message); });
            });
        };

        fail();
        QTRY_COMPARE(watcher.Seen().size(), 1);
        QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
        fail();
        QTRY_COMPARE(watcher.Seen().size(), 2);
        QCOMPARE(watcher.Texts(), (QStringList{shown, shown}));
        QCOMPARE(watcher.Seen().first().title, mvx::kApplicationTitle);
        QCOMPARE(watcher.Seen().first().icon, int(QMessageBox::Critical));
        QVERIFY(window.isVisible());
    }

    // Routes may go away in any order; a failure then goes to one still alive.
    void failuresFindALiveRouteWhateverOrderRoutesWentAway()
    {
        QStringList reached;
        auto *older = new mvx::ui::TApplicationEvents;
        auto *newer = new mvx::ui::TApplicationEvents;
        connect(older, &mvx::ui::TApplicationEvents::OnException, this,
                [&reached](QObject *, const QString &m) { reached << u"older "_s + m; });
        mvx::ui::TApplicationEvents::Raise(nullptr, u"a"_s);
        delete older;
        mvx::ui::TApplicationEvents::Raise(nullptr, u"b"_s);
        connect(newer, &mvx::ui::TApplicationEvents::OnException, this,
                [&reached](QObject *, const QString &m) { reached << u"newer "_s + m; });
        mvx::ui::TApplicationEvents::Raise(nullptr, u"c"_s);
        delete newer;
        const ModalWatcher watcher;
        mvx::ui::TApplicationEvents::Raise(nullptr, u"d"_s);
        QCOMPARE(reached, (QStringList{u"newer c"_s}));
        QCOMPARE(watcher.Texts(), QStringList{u"d."_s});
    }
};

// The program's own application object, so that a failure escaping an event
// meets the same last net here as in the program.
int main(int argc, char *argv[])
{
    mvx::Application app(argc, argv);
    StartupTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "StartupTest.moc"
