// Start-up as the user meets it: real processes of the program, each test on a
// runtime folder of its own so that no real instance and no other test is in
// the way; and the Error box that reports whatever escapes a handler.
#include "app/Application.h"
#include "app/ComeForward.h"
#include "app/InstanceMessage.h"
#include "app/SingleInstance.h"
#include "base/CommandLine.h"
#include "check/Guarded.h"
#include "check/NoAnswerText.h"
#include "compare/FileFailure.h"
#include "support/FirstInstance.h"
#include "support/ModalAnswer.h"
#include "support/TempFiles.h"
#include "ui/Boxes.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"
#include "ui/PathText.h"
#include "ui/ProgramIcon.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
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
#include <pwd.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using mvx::test::FirstInstance;
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

// The instance has come as far as handling its events: it drops a request of
// an older kind (which does nothing) and closes the connection. A start that
// comes sooner finds the connection waiting while the instance makes its
// window, which under memcheck takes longer than a start waits for an answer.
bool WaitUntilAnswering(const QString &key)
{
    QLocalSocket socket;
    if (!QTest::qWaitFor(
            [&] {
                socket.connectToServer(key);
                return socket.waitForConnected(1000);
            },
            kDeadlineMs))
        return false;
    socket.write(QByteArray("\x01\x41", 2));
    return QTest::qWaitFor([&socket] { return socket.state() == QLocalSocket::UnconnectedState; },
                           3 * kDeadlineMs);
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

// A start of the program as a launcher makes it: parameters as the exact
// bytes they are and the launcher's variables in its environment, nothing
// of this process's own activation. It ends by force if it still runs when
// the test is over.
class RawStart {
public:
    RawStart(const QList<QByteArray> &parameters, const QList<QByteArray> &variables)
    {
        std::vector<std::string> texts{QFile::encodeName(kProgram).toStdString()};
        for (const QByteArray &parameter : parameters)
            texts.push_back(parameter.toStdString());
        std::vector<std::string> environment;
        for (char **entry = environ; *entry != nullptr; ++entry) {
            const std::string variable = *entry;
            if (variable.rfind("XDG_ACTIVATION_TOKEN=", 0) != 0 &&
                variable.rfind("DESKTOP_STARTUP_ID=", 0) != 0)
                environment.push_back(variable);
        }
        for (const QByteArray &variable : variables)
            environment.push_back(variable.toStdString());
        std::vector<char *> argv;
        argv.reserve(texts.size() + 1);
        for (std::string &text : texts)
            argv.push_back(text.data());
        argv.push_back(nullptr);
        std::vector<char *> envp;
        envp.reserve(environment.size() + 1);
        for (std::string &variable : environment)
            envp.push_back(variable.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, argv.front(), nullptr, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
    }
    ~RawStart()
    {
        if (pid_ > 0 && !ended_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status_, 0);
        }
    }
    RawStart(const RawStart &) = delete;
    RawStart &operator=(const RawStart &) = delete;

    // Waits, with this process's events going on, until the start has ended.
    bool WaitEnded(int deadlineMs = kDeadlineMs)
    {
        return pid_ > 0 && QTest::qWaitFor(
                               [this] {
                                   ended_ = ended_ || ::waitpid(pid_, &status_, WNOHANG) == pid_;
                                   return ended_;
                               },
                               deadlineMs);
    }
    [[nodiscard]] bool EndedWithZero() const
    {
        return ended_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
    }

private:
    pid_t pid_ = -1;
    int status_ = 0;
    bool ended_ = false;
};

using Kind = mvx::InstanceRequest::TokenKind;

// A valid request, as bytes, for the tests that spoil one.
QByteArray RequestBytes(Kind kind, const QByteArray &token, const std::vector<std::string> &paths)
{
    mvx::InstanceRequest request;
    request.tokenKind = kind;
    request.token = token;
    request.paths = paths;
    return mvx::EncodeRequest(request);
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
            throw mvx::FileError({message.toStdString(), mvx::FileStep::Open, 2});
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
        connect(&first, &mvx::SingleInstance::RequestReceived, &window, [&window] { window.BringForward(); });
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
        QVERIFY(WaitUntilAnswering(folder.Key()));

        Start second(folder);
        ExpectEndedQuietly(second);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(first.Running());
        QVERIFY(Listening(folder.Key()));
    }

    // A first instance that is alive but does not answer (stopped here) is
    // still the one instance: a later start gives up after its few seconds,
    // says so in one line and fails, without opening a window of its own
    // (a start with a window would not end by itself).
    void aStartFacingAStuckFirstInstanceSaysSoAndFails()
    {
        const RuntimeFolder folder;
        Start first(folder);
        QVERIFY(WaitUntilAnswering(folder.Key()));
        QVERIFY(::kill(static_cast<pid_t>(first.process.processId()), SIGSTOP) == 0);
        Start second(folder);
        const bool ended = QTest::qWaitFor([&second] { return second.Ended(); }, kDeadlineMs);
        ::kill(static_cast<pid_t>(first.process.processId()), SIGCONT);
        QVERIFY2(ended, "the start waited on for the stopped instance");
        QCOMPARE(second.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.process.exitCode(), mvx::kNoAnswerStatus);
        QVERIFY(second.process.exitCode() != 0);
        QCOMPARE(second.process.readAllStandardError(), QByteArray(mvx::kNoAnswerLine));
        QCOMPARE(second.process.readAllStandardOutput(), QByteArray());
        QVERIFY(first.Running());
    }

    // What the launcher gave the second start reaches the first: the token
    // that lets a compositor or window manager raise it, and two paths as
    // the exact bytes they are, which then fill the idle window's fields.
    void secondStartHandsOverItsTokenAndItsTwoPaths_data()
    {
        QTest::addColumn<QByteArrayList>("variables");
        QTest::addColumn<QByteArrayList>("parameters");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<bool>("pathsCome");
        const QByteArrayList two{"caf\xe9 1.txt", "\x83\x65\x83\x58\x83\x67.txt"};
        QTest::newRow("Wayland token, two paths") << QByteArrayList{"XDG_ACTIVATION_TOKEN=4f2c9a"} << two
                                                  << int(Kind::Wayland) << QByteArray("4f2c9a") << true;
        QTest::newRow("X11 startup id only")
            << QByteArrayList{"DESKTOP_STARTUP_ID=files-42-host_TIME1234"} << two << int(Kind::X11)
            << QByteArray("files-42-host_TIME1234") << true;
        QTest::newRow("both: the Wayland token")
            << QByteArrayList{"DESKTOP_STARTUP_ID=x11-id", "XDG_ACTIVATION_TOKEN=wl-token"}
            << QByteArrayList{} << int(Kind::Wayland) << QByteArray("wl-token") << false;
        QTest::newRow("no token, one path")
            << QByteArrayList{} << QByteArrayList{"one"} << int(Kind::None) << QByteArray() << false;
        QTest::newRow("three paths") << QByteArrayList{} << QByteArrayList{"a", "b", "c"} << int(Kind::None)
                                     << QByteArray() << false;
        QTest::newRow("a token with a control character stays behind")
            << QByteArrayList{"XDG_ACTIVATION_TOKEN=ab\x01"} << two << int(Kind::None) << QByteArray()
            << true;
    }

    void secondStartHandsOverItsTokenAndItsTwoPaths()
    {
        QFETCH(QByteArrayList, variables);
        QFETCH(QByteArrayList, parameters);
        QFETCH(int, kind);
        QFETCH(QByteArray, token);
        QFETCH(bool, pathsCome);
        const RuntimeFolder folder;
        FirstInstance first{RuntimeFolder::Key()};
        QVERIFY(first.Claim());
        first.window.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("before"));

        RawStart second(parameters, variables);
        QVERIFY(second.WaitEnded());
        QVERIFY(second.EndedWithZero());
        QCOMPARE(first.asked.count(), 1);
        const mvx::InstanceRequest request = first.Last();
        QCOMPARE(int(request.tokenKind), kind);
        QCOMPARE(request.token, token);
        if (pathsCome) {
            const std::vector<std::string> expected{parameters.at(0).toStdString(),
                                                    parameters.at(1).toStdString()};
            QVERIFY(request.paths == expected);
            QCOMPARE(mvx::ui::TextToPath(first.Field("Edit1")->text()), expected.at(0));
            QCOMPARE(mvx::ui::TextToPath(first.Field("Edit2")->text()), expected.at(1));
        } else {
            QVERIFY(request.paths.empty());
            QCOMPARE(first.Field("Edit1")->text(), QStringLiteral("before"));
        }
    }

    // Whatever else reaches the socket is dropped: no answer, nothing done,
    // and the instance goes on taking real requests.
    void requestsOfAnotherKindAreDroppedUnharmed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray valid = RequestBytes(Kind::Wayland, "abc", {"a", "b"});
        QTest::newRow("the older request") << QByteArray("\x01\x41", 2);
        QTest::newRow("unknown version") << QByteArray("\x07") + valid.mid(1);
        QTest::newRow("unknown token kind") << QByteArray("\x02Q\x00\x00\x00", 5);
        QTest::newRow("a token of no kind") << QByteArray("\x02\x00\x00\x03"
                                                          "abc\x00",
                                                          8);
        QTest::newRow("one path") << QByteArray("\x02\x00\x00\x00\x01\x00\x01"
                                                "a",
                                                8);
        QTest::newRow("a path with a NUL") << RequestBytes(Kind::None, {}, {std::string("a\0b", 3), "c"});
        QTest::newRow("bytes after the request") << valid + "x";
        QTest::newRow("a path longer than any request")
            << QByteArray("\x02\x00\x00\x00\x02\xff\xff", 7) + QByteArray(100, 'p');
        QTest::newRow("more bytes than a request")
            << QByteArray("\x02\x00\x00\x00\x02\x7f\xff", 7) + QByteArray(mvx::kMaxRequestBytes, 'p');
        QTest::newRow("half a request, then silence") << valid.left(valid.size() - 1);
    }

    void requestsOfAnotherKindAreDroppedUnharmed()
    {
        QFETCH(QByteArray, bytes);
        const RuntimeFolder folder;
        FirstInstance first{RuntimeFolder::Key()};
        QVERIFY(first.Claim());
        first.window.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("kept"));

        QLocalSocket socket;
        socket.connectToServer(RuntimeFolder::Key());
        QVERIFY(socket.waitForConnected(kDeadlineMs));
        socket.write(bytes);
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QLocalSocket::UnconnectedState, kDeadlineMs);
        QCOMPARE(socket.readAll(), QByteArray());
        QCOMPARE(first.asked.count(), 0);
        QCOMPARE(first.Field("Edit1")->text(), QStringLiteral("kept"));

        RawStart second({"x", "y"}, {});
        QVERIFY(second.WaitEnded());
        QVERIFY(second.EndedWithZero());
        QCOMPARE(first.asked.count(), 1);
        QCOMPARE(first.Field("Edit1")->text(), QStringLiteral("x"));
    }

    // A request arrives in pieces as the socket delivers it.
    void everyPartOfARequestWaitsForTheRest()
    {
        mvx::InstanceRequest request;
        request.tokenKind = Kind::X11;
        request.token = "id_TIME77";
        request.paths = {"/a b/c\xe9", "/d"};
        const QByteArray bytes = mvx::EncodeRequest(request);
        for (qsizetype length = 0; length < bytes.size(); ++length)
            QCOMPARE(int(mvx::DecodeRequest(bytes.left(length)).state),
                     int(mvx::DecodedRequest::State::Incomplete));
        const mvx::DecodedRequest whole = mvx::DecodeRequest(bytes);
        QCOMPARE(int(whole.state), int(mvx::DecodedRequest::State::Complete));
        QVERIFY(whole.request == request);
    }

    // The names say whose they are, so that users sharing a temporary folder
    // never meet on them.
    void theInstanceNamesCarryTheUser()
    {
        const RuntimeFolder folder;
        QCOMPARE(RuntimeFolder::Key(),
                 folder.Path() + QStringLiteral("/morvatix-instance-") + QString::number(::geteuid()));
    }

    // A start defers only to a lock and socket of its own user that nobody
    // else can write; anything else in their place, the program starts as
    // if alone and tells it nothing.
    void aLockOrSocketThatIsNotTheUsersOwnDoesNotStopAStart_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("otherOwner");
        QTest::newRow("lock writable by others") << ".lock" << false;
        QTest::newRow("socket writable by others") << "" << false;
        QTest::newRow("lock of another user") << ".lock" << true;
        QTest::newRow("socket of another user") << "" << true;
    }

    void aLockOrSocketThatIsNotTheUsersOwnDoesNotStopAStart()
    {
        QFETCH(QString, entry);
        QFETCH(bool, otherOwner);
        if (otherOwner && ::geteuid() != 0)
            QFAIL(
                "only root can give the instance's files to another user: run the tests as root, as CI does");
        const RuntimeFolder folder;
        FirstInstance first{RuntimeFolder::Key()};
        QVERIFY(first.Claim());
        const QByteArray path = QFile::encodeName(RuntimeFolder::Key() + entry);
        if (otherOwner) {
            constexpr uid_t kNobody = 65534;
            QVERIFY(::lchown(path.constData(), kNobody, kNobody) == 0);
        } else {
            QVERIFY(::chmod(path.constData(), 0666) == 0);
        }

        Start second(folder);
        // A start that defers has ended well within this.
        QTest::qWait(2000);
        QVERIFY2(second.Running(), "the start deferred to an instance that is not the user's own");
        QCOMPARE(first.asked.count(), 0);
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
        QVERIFY(WaitUntilAnswering(folder.Key()));
        QVERIFY(next.Running());

        Start further(folder);
        ExpectEndedQuietly(further);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(next.Running());
    }

    // A session that names no runtime folder: the socket and lock go to the
    // folder Qt falls back to, private to the user, and nothing is said.
    void withoutARuntimeFolderTheInstanceUsesAPrivateOneQuietly()
    {
        const QTemporaryDir temporary;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        environment.insert(QStringLiteral("TMPDIR"), temporary.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(kProgram, {});
        const QString folder = temporary.path() + QStringLiteral("/runtime-") +
                               QFile::decodeName(::getpwuid(::geteuid())->pw_name);
        const bool listening =
            WaitUntilListening(folder + QStringLiteral("/morvatix-instance-") + QString::number(::geteuid()));
        program.kill();
        program.waitForFinished(kDeadlineMs);
        QVERIFY(listening);
        struct stat entry {};
        QVERIFY(::stat(QFile::encodeName(folder).constData(), &entry) == 0);
        QCOMPARE(entry.st_mode & 0777, 0700U);
        QCOMPARE(program.readAllStandardError(), QByteArray());
    }

    void twoStartsAtTheSameMomentLeaveOne_data()
    {
        QTest::addColumn<int>("round");
        for (int round = 1; round <= 3; ++round)
            QTest::addRow("round %d", round) << round;
    }

    // The start that loses the race hands over to the other, or, when the
    // other is still making its window after the few seconds a start waits
    // (as under memcheck), says so and fails; either way no second window.
    void twoStartsAtTheSameMomentLeaveOne()
    {
        const RuntimeFolder folder;
        Start a(folder);
        Start b(folder);
        QVERIFY(QTest::qWaitFor([&] { return a.Ended() || b.Ended(); }, 3 * kDeadlineMs));
        Start &ended = a.Ended() ? a : b;
        Start &kept = a.Ended() ? b : a;
        QCOMPARE(ended.process.exitStatus(), QProcess::NormalExit);
        if (ended.process.exitCode() == 0) {
            QCOMPARE(ended.process.readAllStandardError(), QByteArray());
        } else {
            QCOMPARE(ended.process.exitCode(), mvx::kNoAnswerStatus);
            QCOMPARE(ended.process.readAllStandardError(), QByteArray(mvx::kNoAnswerLine));
        }
        QCOMPARE(ended.process.readAllStandardOutput(), QByteArray());
        QVERIFY(kept.Running());
        QVERIFY(WaitUntilAnswering(folder.Key()));
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

    // The icon that task bars show, drawn from the desktop entry's SVG at
    // the size each asks for, not a small picture blown up.
    void programIconIsDrawnAtEverySize()
    {
        const QIcon icon = mvx::ui::ProgramIcon();
        QVERIFY(!icon.isNull());
        for (const int size : {16, 48, 256}) {
            const QImage image = icon.pixmap(size, size).toImage();
            QVERIFY2(image.size() == QSize(size, size),
                     "the SVG icon engine is missing: apt-get install libqt6svg6");
            // The sheets' dark outline and the circle's red are in it.
            bool outline = false;
            bool red = false;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    const QColor pixel = image.pixelColor(x, y);
                    outline = outline || (pixel.alpha() > 0 && pixel.value() < 120);
                    red = red || (pixel.alpha() > 0 && pixel.red() > 180 && pixel.green() < 80);
                }
            QVERIFY(outline);
            QVERIFY(red);
        }
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
                                                         << "ファイル x は開けません.";
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
                mvx::Guarded([&thrower] { Thrower::Throw(thrower.failure, thrower.message); });
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
