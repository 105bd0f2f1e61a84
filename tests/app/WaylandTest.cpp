// The program on a real Wayland compositor, started by the test itself:
// sway, headless, which tells the focus and urgency of every window. The
// running instance is this process's window; later starts are the program.
// sway refuses to run as root, so as root the test runs itself again as
// the user nobody, from a folder that user can read.
#include "app/ComeForward.h"
#include "app/SingleInstance.h"
#include "check/Identity.h"
#include "support/FirstInstance.h"
#include "support/ModalAnswer.h"
#include "support/TempFiles.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"
#include "ui/PathText.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using mvx::test::FirstInstance;
using mvx::ui::TMainForm;

namespace {

constexpr int kDeadlineMs = 30000;
constexpr char kAsUser[] = "MVX_WAYLAND_TEST_AS_USER";
constexpr char kProgramVariable[] = "MVX_WAYLAND_TEST_PROGRAM";
constexpr char kTokenVariable[] = "MVX_WAYLAND_TEST_TOKEN";
constexpr char kFlower[] = "org.freedesktop.weston.flower";

QString Program()
{
    return qEnvironmentVariableIsSet(kProgramVariable) ? qEnvironmentVariable(kProgramVariable)
                                                       : QStringLiteral(MVX_PROGRAM);
}

QString TokenHelper()
{
    return qEnvironmentVariableIsSet(kTokenVariable) ? qEnvironmentVariable(kTokenVariable)
                                                     : QStringLiteral(MVX_TOKEN_HELPER);
}

// A headless sway of this test's own, in a private runtime folder.
class Compositor {
public:
    bool Start(QString &why)
    {
        const QString sway = QStandardPaths::findExecutable(QStringLiteral("sway"));
        if (sway.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("swaymsg")).isEmpty()) {
            why = QStringLiteral("sway is not installed: apt-get install sway (scripts/deps.sh does)");
            return false;
        }
        QFile config(runtime_.filePath(QStringLiteral("config")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        config.write("xwayland disable\n");
        config.close();
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        environment.insert(QStringLiteral("HOME"), runtime_.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime_.path());
        environment.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        environment.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        environment.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(sway, {QStringLiteral("-c"), config.fileName()});
        const bool up = QTest::qWaitFor(
            [this] {
                const QDir dir(runtime_.path());
                const QStringList ipc = dir.entryList({QStringLiteral("sway-ipc.*.sock")}, QDir::System);
                if (ipc.isEmpty() || !dir.exists(QStringLiteral("wayland-1")))
                    return false;
                ipcSocket_ = dir.filePath(ipc.first());
                return true;
            },
            kDeadlineMs);
        if (!up) {
            why = QStringLiteral("sway did not start: ") + QString::fromLocal8Bit(process_.readAll());
            return false;
        }
        return true;
    }
    ~Compositor()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }

    [[nodiscard]] QString Display() const { return runtime_.filePath(QStringLiteral("wayland-1")); }

    // swaymsg's answer, or null when it gave none.
    [[nodiscard]] QJsonDocument Ask(const QStringList &arguments) const
    {
        QProcess message;
        message.start(QStringLiteral("swaymsg"), QStringList{QStringLiteral("-s"), ipcSocket_} + arguments);
        message.waitForFinished(kDeadlineMs);
        return QJsonDocument::fromJson(message.readAllStandardOutput());
    }

    void Focus(const QString &criteria) const
    {
        const QJsonDocument answer = Ask({QStringLiteral("[%1] focus").arg(criteria)});
        Q_UNUSED(answer) // the state read afterwards tells whether it took
    }

    // The window sway knows by that title or app id, with its state.
    [[nodiscard]] QJsonObject Window(const QString &key, const QString &value) const
    {
        QJsonObject found;
        const std::function<void(const QJsonObject &)> walk = [&](const QJsonObject &node) {
            if (node.value(key).toString() == value && node.contains(QStringLiteral("pid")))
                found = node;
            for (const char *children : {"nodes", "floating_nodes"})
                for (const QJsonValue child : node.value(QLatin1String(children)).toArray())
                    walk(child.toObject());
        };
        walk(Ask({QStringLiteral("-t"), QStringLiteral("get_tree")}).object());
        return found;
    }

private:
    QTemporaryDir runtime_;
    QProcess process_;
    QString ipcSocket_;
};

Compositor *compositor = nullptr;

// The running instance's state as sway tells it.
struct Seen {
    bool exists = false;
    bool focused = false;
    bool urgent = false;
};

Seen Instance()
{
    const QJsonObject window = compositor->Window(QStringLiteral("name"), QStringLiteral("Morvatix"));
    return {!window.isEmpty(), window.value(QStringLiteral("focused")).toBool(),
            window.value(QStringLiteral("urgent")).toBool()};
}

// A folder of its own for the instance's lock and socket, for this process
// and the starts it makes.
class InstanceFolder {
public:
    InstanceFolder()
    {
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.path()));
    }
    [[nodiscard]] QString Path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// One start of the program on the compositor, ended by force if it still
// runs when the test is over.
class Start {
public:
    Start(const QStringList &parameters, const QByteArray &token = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("XDG_ACTIVATION_TOKEN"));
        if (!token.isEmpty())
            environment.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QString::fromLatin1(token));
        process.setProcessEnvironment(environment);
        process.start(Program(), parameters);
        process.waitForStarted(kDeadlineMs);
    }
    ~Start()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(kDeadlineMs);
        }
    }
    Start(const Start &) = delete;
    Start &operator=(const Start &) = delete;

    // Waits with this process's events going on, as the running instance must.
    bool WaitEnded()
    {
        return QTest::qWaitFor([this] { return process.state() == QProcess::NotRunning; }, kDeadlineMs) &&
               process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    QProcess process;
};

// A token as a launcher gets one for the program it starts.
QByteArray LauncherToken()
{
    QProcess helper;
    helper.start(TokenHelper(), QStringList());
    if (!helper.waitForFinished(kDeadlineMs) || helper.exitCode() != 0)
        return {};
    return helper.readAllStandardOutput().trimmed();
}

} // namespace

class WaylandTest : public QObject {
    Q_OBJECT

    QProcess flower_;

    // Another client has the focus, and the instance is neither focused nor
    // urgent. sway lists a window once it has drawn, a moment after Qt
    // calls it exposed, and gives a new window the focus.
    static bool FocusElsewhere()
    {
        if (!QTest::qWaitFor([] { return Instance().exists; }, kDeadlineMs))
            return false;
        // Focusing the instance clears its urgency.
        compositor->Focus(QStringLiteral("title=\"^Morvatix$\""));
        return QTest::qWaitFor(
            [] {
                compositor->Focus(QStringLiteral("app_id=\"%1\"").arg(QLatin1String(kFlower)));
                const Seen seen = Instance();
                return seen.exists && !seen.focused && !seen.urgent;
            },
            kDeadlineMs);
    }

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
        mvx::ui::ApplyProgramFont();
        const QString flower = QStandardPaths::findExecutable(QStringLiteral("weston-flower"));
        QVERIFY2(!flower.isEmpty(),
                 "weston-flower is missing: apt-get install weston (scripts/deps.sh does)");
        flower_.start(flower, QStringList());
        QVERIFY(QTest::qWaitFor(
            [] { return !compositor->Window(QStringLiteral("app_id"), QLatin1String(kFlower)).isEmpty(); },
            kDeadlineMs));
    }

    void cleanupTestCase()
    {
        flower_.kill();
        flower_.waitForFinished(kDeadlineMs);
    }

    void programRunsNativelyOnWayland()
    {
        const InstanceFolder folder;
        Start program({});
        QJsonObject window;
        QVERIFY(QTest::qWaitFor(
            [&] {
                window = compositor->Window(QStringLiteral("name"), QStringLiteral("Morvatix"));
                return !window.isEmpty();
            },
            kDeadlineMs));
        QCOMPARE(window.value(QStringLiteral("pid")).toInteger(), program.process.processId());
        QCOMPARE(window.value(QStringLiteral("shell")).toString(), QStringLiteral("xdg_shell"));
        // The desktop entry's name, so that a task bar finds its icon.
        QCOMPARE(window.value(QStringLiteral("app_id")).toString(), QString::fromUtf8(mvx::kDesktopFileName));
    }

    // With the launcher's token the compositor decides; without one the
    // instance asks for attention. Either way it does not stay as it was.
    void secondStartBringsTheFirstToTheUsersNotice_data()
    {
        QTest::addColumn<bool>("withToken");
        QTest::newRow("with the launcher's token") << true;
        QTest::newRow("without a token") << false;
    }

    void secondStartBringsTheFirstToTheUsersNotice()
    {
        QFETCH(bool, withToken);
        const InstanceFolder folder;
        FirstInstance first;
        QVERIFY(first.Claim());
        QVERIFY2(FocusElsewhere(), "weston-flower did not take the focus");
        const QByteArray token = withToken ? LauncherToken() : QByteArray();
        QVERIFY2(!withToken || !token.isEmpty(), "no token from the compositor");

        Start second({}, token);
        QVERIFY(second.WaitEnded());
        QCOMPARE(first.asked.count(), 1);
        Seen seen;
        QVERIFY2(QTest::qWaitFor(
                     [&seen] {
                         seen = Instance();
                         return seen.focused || seen.urgent;
                     },
                     kDeadlineMs),
                 "the first window was left as it was");
        qInfo("sway: focused %d, urgent %d", int(seen.focused), int(seen.urgent));
    }

    void secondStartWithTwoPathsFillsBothFields()
    {
        const InstanceFolder folder;
        FirstInstance first;
        QVERIFY(first.Claim());
        const QString source = folder.Path() + QStringLiteral("/元 1.txt");
        const QString target = folder.Path() + QStringLiteral("/先.txt");
        Start second({source, target});
        QVERIFY(second.WaitEnded());
        QTRY_COMPARE(first.Field("Edit1")->text(), source);
        QCOMPARE(first.Field("Edit2")->text(), target);
        QCOMPARE(first.window.findChild<QPushButton *>(QStringLiteral("Button3"))->text(),
                 QStringLiteral("チェック"));
    }

    // The comparison goes on with the paths it has, and the later start's
    // paths are dropped.
    void secondStartDuringAComparisonChangesNothing()
    {
        const InstanceFolder folder;
        FirstInstance first;
        QVERIFY(first.Claim());
        const mvx::test::TempDir dir;
        const std::string a = dir.File("a.bin");
        const std::string b = dir.File("b.bin");
        mvx::test::WriteSparse(a, std::int64_t(8) << 30);
        mvx::test::WriteSparse(b, std::int64_t(8) << 30);
        first.Field("Edit1")->setText(mvx::ui::PathToText(a));
        first.Field("Edit2")->setText(mvx::ui::PathToText(b));
        auto *button3 = first.window.findChild<QPushButton *>(QStringLiteral("Button3"));

        bool secondDone = false;
        bool busyAfter = false;
        QString edit1After;
        QString edit2After;
        auto *bar = first.window.findChild<QProgressBar *>(QStringLiteral("ProgressBar1"));
        connect(bar, &QProgressBar::valueChanged, this, [&](int value) {
            if (value == 0 || secondDone)
                return;
            secondDone = true;
            Start second({QStringLiteral("/other/one"), QStringLiteral("/other/two")});
            secondDone = second.WaitEnded() &&
                         QTest::qWaitFor([&first] { return first.asked.count() == 1; }, kDeadlineMs);
            busyAfter = first.window.IsBusy();
            edit1After = first.Field("Edit1")->text();
            edit2After = first.Field("Edit2")->text();
            QTest::mouseClick(button3, Qt::LeftButton); // Stop
        });
        const mvx::test::ModalWatcher watcher;
        QTest::mouseClick(button3, Qt::LeftButton);
        QVERIFY2(secondDone, "the comparison ended before the second start, or the second start failed");
        QCOMPARE(first.asked.count(), 1);
        QVERIFY(busyAfter);
        QCOMPARE(edit1After, mvx::ui::PathToText(a));
        QCOMPARE(edit2After, mvx::ui::PathToText(b));
        QCOMPARE(first.Field("Edit1")->text(), mvx::ui::PathToText(a));
        QTRY_VERIFY(!first.window.IsBusy());
    }

    // A verdict that comes while the compositor keeps the focus with another
    // window, here one that fills the screen: the verdict opens at once, the
    // focus stays, and the program's window is marked urgent.
    void verdictBehindAFullScreenWindowOpensAndMarksTheProgramUrgent()
    {
        // Two files at hand that differ in size: the verdict comes at once.
        TMainForm window({Program().toStdString(), TokenHelper().toStdString()});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY2(FocusElsewhere(), "weston-flower did not take the focus");
        const QString flower = QStringLiteral("[app_id=\"%1\"] fullscreen ").arg(QLatin1String(kFlower));
        (void)compositor->Ask({flower + QStringLiteral("enable")});
        const auto windowed =
            qScopeGuard([&flower] { (void)compositor->Ask({flower + QStringLiteral("disable")}); });
        QTRY_VERIFY(!window.isActiveWindow());

        bool opened = false;
        bool urgent = false;
        bool stayed = false;
        const mvx::test::ModalWatcher watcher([&](QWidget *) {
            opened = QTest::qWaitFor(
                [] {
                    return !compositor->Window(QStringLiteral("name"), QStringLiteral("判定結果")).isEmpty();
                },
                kDeadlineMs);
            urgent = QTest::qWaitFor([] { return Instance().urgent; }, kDeadlineMs);
            stayed = compositor->Window(QStringLiteral("app_id"), QLatin1String(kFlower))
                         .value(QStringLiteral("focused"))
                         .toBool();
        });
        QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Button3")), Qt::LeftButton);
        QVERIFY2(opened, "the verdict did not open");
        QVERIFY2(urgent, "the program's window is not marked urgent");
        QVERIFY2(stayed, "the focus left the other window");
    }
};

namespace {

bool Copy(const QString &from, const QString &to)
{
    return QFile::copy(from, to) &&
           QFile::setPermissions(to, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                         QFile::ReadOther | QFile::ExeOther);
}

// As root: the same tests again as nobody, from copies in a folder that
// nobody can read, in the tests' own temporary folder. Whatever nobody writes
// (temporary files, its runtime folder, settings) goes into a folder of its
// own there, which goes away with the rest.
int RunAsNobody(int argc, char *argv[])
{
    if (QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty()) {
        std::fprintf(stderr, "runuser is missing (util-linux): sway does not run as root\n");
        return 1;
    }
    QTemporaryDir folder;
    for (QDir above(folder.path()); above.cdUp();)
        if (!QFileInfo(above.path()).permission(QFile::ExeOther)) {
            std::fprintf(stderr,
                         "nobody may not pass through %s to the tests' temporary folder: build where "
                         "every user may (sway does not run as root)\n",
                         qPrintable(above.path()));
            return 1;
        }
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                             QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                             QFile::ExeGroup);
    const QString own = folder.filePath(QStringLiteral("nobody"));
    const passwd *nobody = ::getpwnam("nobody");
    if (nobody == nullptr || !QDir().mkdir(own) ||
        ::chown(QFile::encodeName(own).constData(), nobody->pw_uid, nobody->pw_gid) != 0 ||
        !QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        std::fprintf(stderr, "cannot make a folder of nobody's own in %s\n", qPrintable(folder.path()));
        return 1;
    }
    const QString self = folder.filePath(QStringLiteral("wayland_tests"));
    const QString program = folder.filePath(QStringLiteral("morvatix"));
    const QString token = folder.filePath(QStringLiteral("token"));
    if (!Copy(QCoreApplication::applicationFilePath(), self) || !Copy(Program(), program) ||
        !Copy(TokenHelper(), token)) {
        std::fprintf(stderr, "cannot copy the programs to %s\n", qPrintable(folder.path()));
        return 1;
    }
    QStringList arguments{QStringLiteral("-u"),
                          QStringLiteral("nobody"),
                          QStringLiteral("--"),
                          QStringLiteral("env"),
                          QStringLiteral("HOME=") + own,
                          QStringLiteral("TMPDIR=") + own,
                          QStringLiteral("XDG_RUNTIME_DIR=") + own,
                          QStringLiteral("XDG_CONFIG_HOME=") + own,
                          QLatin1String(kAsUser) + QStringLiteral("=1"),
                          QLatin1String(kProgramVariable) + u'=' + program,
                          QLatin1String(kTokenVariable) + u'=' + token,
                          self};
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(QStringLiteral("runuser"), arguments);
    run.waitForFinished(-1);
    return run.exitStatus() == QProcess::NormalExit ? run.exitCode() : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet(kAsUser)) {
        QCoreApplication app(argc, argv);
        return RunAsNobody(argc, argv);
    }
    Compositor sway;
    {
        // Its own event loop only while the compositor starts.
        QCoreApplication starting(argc, argv);
        QString why;
        if (!sway.Start(why)) {
            std::fprintf(stderr, "%s\n", qPrintable(why));
            return 1;
        }
    }
    compositor = &sway;
    qputenv("WAYLAND_DISPLAY", QFile::encodeName(sway.Display()));
    qputenv("QT_QPA_PLATFORM", "wayland");
    qunsetenv("DISPLAY");
    QApplication app(argc, argv);
    WaylandTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "WaylandTest.moc"
