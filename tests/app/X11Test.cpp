// The program on an X server that the test starts itself (Xvfb), without a
// window manager: what the running instance tells the window manager when a
// later start comes, read by a second connection that listens on the root
// window, where those requests go; and, on a session bus of the test's own,
// what a check tells the desktop's dock and how its verdict asks for the
// user's attention behind another window.
#include "app/ComeForward.h"
#include "app/SingleInstance.h"
#include "support/FirstInstance.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"

#include <QAccessible>
#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include "faultfs/Fault.h"
#include "support/FaultMount.h"
#include "support/HeldRead.h"
#include "support/ModalAnswer.h"
#include "support/TempFiles.h"

#include <QPushButton>
#include <algorithm>
#include <chrono>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace faultfs = mvx::faultfs;
using mvx::test::FaultMount;
using mvx::test::FirstInstance;
using mvx::ui::TMainForm;

namespace {

constexpr int kDeadlineMs = 30000;

struct ClientMessage {
    QByteArray type;
    xcb_window_t window = 0;
    std::uint8_t format = 0;
    xcb_client_message_data_t data{};
};

// A second client of the X server that sees every request sent to the root
// window, as a window manager would.
class RootListener {
public:
    RootListener() : connection_(xcb_connect(nullptr, nullptr))
    {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        // Qt sends its requests to the window manager for either mask.
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }
    ~RootListener() { xcb_disconnect(connection_); }
    RootListener(const RootListener &) = delete;
    RootListener &operator=(const RootListener &) = delete;

    [[nodiscard]] bool Connected() const { return xcb_connection_has_error(connection_) == 0; }

    // The client messages that have come so far.
    QList<ClientMessage> Messages()
    {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection_)) {
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto *message = reinterpret_cast<xcb_client_message_event_t *>(event);
                messages_.append({Name(message->type), message->window, message->format, message->data});
            }
            std::free(event);
        }
        return messages_;
    }

    QByteArray Name(xcb_atom_t atom)
    {
        const std::unique_ptr<xcb_get_atom_name_reply_t, decltype(&std::free)> reply(
            xcb_get_atom_name_reply(connection_, xcb_get_atom_name(connection_, atom), nullptr), &std::free);
        if (!reply)
            return {};
        return {xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get())};
    }

    xcb_atom_t Atom(const char *name)
    {
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(
                connection_, xcb_intern_atom(connection_, 0, std::uint16_t(qstrlen(name)), name), nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    QByteArray Property(xcb_window_t window, const char *name)
    {
        const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(
                connection_,
                xcb_get_property(connection_, 0, window, Atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                nullptr),
            &std::free);
        if (!reply)
            return {};
        return {static_cast<const char *>(xcb_get_property_value(reply.get())),
                xcb_get_property_value_length(reply.get())};
    }

    // The top-level window of the process, once it is on the screen, the
    // first after `after` in stacking order; 0 when there is none.
    xcb_window_t ShownWindowOf(qint64 pid, xcb_window_t after = 0)
    {
        const std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr), &std::free);
        if (!tree)
            return 0;
        const xcb_window_t *children = xcb_query_tree_children(tree.get());
        const int count = xcb_query_tree_children_length(tree.get());
        const int first = after == 0 ? 0 : int(std::find(children, children + count, after) - children) + 1;
        for (int i = first; i < count; ++i) {
            const QByteArray owner = Property(children[i], "_NET_WM_PID");
            const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
                xcb_get_window_attributes_reply(connection_,
                                                xcb_get_window_attributes(connection_, children[i]), nullptr),
                &std::free);
            if (owner.size() == 4 && *reinterpret_cast<const std::uint32_t *>(owner.constData()) == pid &&
                attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
                return children[i];
        }
        return 0;
    }

    // How many top-level windows of the process are on the screen.
    int ShownWindowsOf(qint64 pid)
    {
        int shown = 0;
        for (xcb_window_t window = ShownWindowOf(pid, 0); window != 0; window = ShownWindowOf(pid, window))
            ++shown;
        return shown;
    }

    // The window that has the keyboard focus.
    xcb_window_t Focus()
    {
        const std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&std::free)> reply(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr), &std::free);
        return reply ? reply->focus : 0;
    }

    // A press and release of the left button at a point of the window, as
    // the mouse makes them.
    void Click(xcb_window_t window, QPoint at)
    {
        const std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> onRoot(
            xcb_translate_coordinates_reply(connection_,
                                            xcb_translate_coordinates(connection_, window, root_,
                                                                      std::int16_t(at.x()),
                                                                      std::int16_t(at.y())),
                                            nullptr),
            &std::free);
        if (!onRoot)
            return;
        xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, onRoot->dst_x,
                            onRoot->dst_y, 0);
        xcb_test_fake_input(connection_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(connection_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(connection_);
    }

    // A window of this client's own takes the keyboard focus, as another
    // program's does when the user goes there.
    xcb_window_t FocusOwnWindow()
    {
        const xcb_window_t window = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window, root_, 0, 0, 100, 100, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_map_window(connection_, window);
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
        xcb_flush(connection_);
        return window;
    }

    // What a window manager sends when the close box is clicked.
    void AskToClose(xcb_window_t window)
    {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = Atom("WM_PROTOCOLS");
        message.data.data32[0] = Atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(connection_, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&message));
        xcb_flush(connection_);
    }

private:
    xcb_connection_t *connection_;
    xcb_window_t root_ = 0;
    QList<ClientMessage> messages_;
};

// The startup-notification text that the messages of these types carry.
QByteArray StartupInfo(const QList<ClientMessage> &messages)
{
    QByteArray text;
    for (const ClientMessage &message : messages)
        if (message.type == "_NET_STARTUP_INFO_BEGIN" || message.type == "_NET_STARTUP_INFO")
            text.append(reinterpret_cast<const char *>(message.data.data8), 20);
    return text.left(text.indexOf('\0'));
}

class InstanceFolder {
public:
    InstanceFolder()
    {
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.path()));
    }

private:
    QTemporaryDir dir_;
};

// A later start of the program, as a launcher makes it.
bool StartAgain(const QString &startupId)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_ACTIVATION_TOKEN"));
    environment.remove(QStringLiteral("DESKTOP_STARTUP_ID"));
    if (!startupId.isEmpty())
        environment.insert(QStringLiteral("DESKTOP_STARTUP_ID"), startupId);
    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(MVX_PROGRAM), QStringList());
    return QTest::qWaitFor([&second] { return second.state() == QProcess::NotRunning; }, kDeadlineMs) &&
           second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0;
}

// Where the Check button lies in the program's window, from a window of the
// same layout here.
QPoint CheckButtonCentre()
{
    TMainForm same;
    same.show();
    if (!QTest::qWaitForWindowExposed(&same))
        return {};
    const auto *button = same.findChild<QPushButton *>(QStringLiteral("Button3"));
    return button->mapTo(&same, button->rect().center());
}

// Starts the program on the mount's source and target and clicks its Check
// button, at check: its window, or 0 when it showed none.
xcb_window_t StartAndClickCheck(QProcess &program, RootListener &listener, const FaultMount &mount,
                                QPoint check = CheckButtonCentre())
{
    program.start(QStringLiteral(MVX_PROGRAM), {QString::fromStdString(mount.Mounted("source")),
                                                QString::fromStdString(mount.Mounted("target"))});
    xcb_window_t window = 0;
    if (!QTest::qWaitFor([&] { return (window = listener.ShownWindowOf(program.processId())) != 0; },
                         kDeadlineMs))
        return 0;
    QTest::qWait(200);
    listener.Click(window, check);
    return window;
}

// A session bus of the test's own, as a desktop session has one, on a socket
// in a folder of its own.
class SessionBus {
public:
    SessionBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            problem_ = "dbus-daemon is missing: apt-get install dbus-daemon (scripts/deps.sh does)";
            return;
        }
        daemon_.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                               QStringLiteral("--print-address=1"),
                               QStringLiteral("--address=unix:dir=") + folder_.path()});
        if (!QTest::qWaitFor(
                [this] { return daemon_.canReadLine() || daemon_.state() == QProcess::NotRunning; },
                kDeadlineMs) ||
            !daemon_.canReadLine()) {
            problem_ = "dbus-daemon did not start: " + daemon_.readAllStandardError();
            return;
        }
        address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }
    ~SessionBus()
    {
        daemon_.terminate();
        daemon_.waitForFinished(kDeadlineMs);
    }
    SessionBus(const SessionBus &) = delete;
    SessionBus &operator=(const SessionBus &) = delete;

    [[nodiscard]] const QString &Address() const { return address_; }
    [[nodiscard]] const QByteArray &Problem() const { return problem_; }

private:
    QTemporaryDir folder_;
    QProcess daemon_;
    QString address_;
    QByteArray problem_;
};

struct LauncherUpdate {
    QString entry;
    bool visible = false;
    double progress = -1;
};

// A dock, as far as the launcher entries go: it hears every update on the bus.
class Dock : public QObject {
    Q_OBJECT
public:
    explicit Dock(const QString &address)
        : bus_(QDBusConnection::connectToBus(address, QStringLiteral("dock")))
    {
        // D-Bus names its receiver by the slot's signature only.
        bus_.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                     QStringLiteral("Update"), this, SLOT(Update(QString, QVariantMap)));
    }
    ~Dock() override { QDBusConnection::disconnectFromBus(QStringLiteral("dock")); }
    Dock(const Dock &) = delete;
    Dock &operator=(const Dock &) = delete;

    [[nodiscard]] bool Connected() const { return bus_.isConnected(); }
    [[nodiscard]] bool Hidden() const { return !updates.isEmpty() && !updates.constLast().visible; }

    QList<LauncherUpdate> updates;

public slots:
    void Update(const QString &entry, const QVariantMap &properties)
    {
        updates.append({entry, properties.value(QStringLiteral("progress-visible")).toBool(),
                        properties.value(QStringLiteral("progress"), -1.0).toDouble()});
    }

private:
    QDBusConnection bus_;
};

// What the dock heard is the progress of one comparison: shown rising for
// the program's desktop entry, then hidden.
bool ProgressThenHidden(const QList<LauncherUpdate> &updates)
{
    double last = 0;
    for (qsizetype i = 0; i < updates.size(); ++i) {
        const LauncherUpdate &update = updates.at(i);
        const bool end = i == updates.size() - 1;
        if (update.entry != u"application://org.example.morvatix.desktop" || update.visible == end ||
            (!end && (update.progress < last || update.progress > 1)))
            return false;
        last = update.progress;
    }
    return updates.size() >= 2;
}

// The real program on its own bus, comparing a pair whose target's read the
// device holds back: the check has started and waits there.
struct HeldCheck {
    InstanceFolder folder;
    SessionBus bus;
    faultfs::Fault hold = faultfs::Hold("target", mvx::test::kHeldAt);
    FaultMount mount{{hold}};
    RootListener listener;
    QProcess program;
    xcb_window_t window = 0;
    QPoint check;

    // False, saying why, when the check could not be started.
    bool Start(Dock &dock)
    {
        if (!bus.Problem().isEmpty())
            return Fail(bus.Problem());
        if (!dock.Connected() || !listener.Connected())
            return Fail("the dock or the listener could not connect");
        mvx::test::WriteHeldFiles(mount);
        check = CheckButtonCentre();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.Address());
        program.setProcessEnvironment(environment);
        window = StartAndClickCheck(program, listener, mount, check);
        if (window == 0)
            return Fail("the program showed no window");
        if (!mount.WaitUntilHeld(hold))
            return Fail("the click on Check did not start the comparison");
        return true;
    }
    ~HeldCheck()
    {
        mount.Release();
        program.kill();
        program.waitForFinished(kDeadlineMs);
    }

    static bool Fail(const QByteArray &why)
    {
        qWarning("%s", why.constData());
        return false;
    }
};

} // namespace

class X11Test : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb")); }

    // The window takes the launcher's id, asks for the focus with the time
    // of the click that launched the later start, and the launch's busy
    // feedback ends.
    void startupIdActivatesWithTheLaunchTime()
    {
        const InstanceFolder folder;
        FirstInstance first;
        QVERIFY(first.Claim());
        RootListener listener;
        QVERIFY(listener.Connected());
        const auto window = xcb_window_t(first.window.winId());

        QVERIFY(StartAgain(QStringLiteral("files-7-host_TIME4242")));
        QList<ClientMessage> messages;
        const auto activation = [&messages, window]() -> const ClientMessage * {
            for (const ClientMessage &message : messages)
                if (message.type == "_NET_ACTIVE_WINDOW" && message.window == window)
                    return &message;
            return nullptr;
        };
        QVERIFY(QTest::qWaitFor(
            [&] {
                messages = listener.Messages();
                return activation() != nullptr && StartupInfo(messages).size() > 0;
            },
            kDeadlineMs));
        QCOMPARE(activation()->format, std::uint8_t(32));
        QCOMPARE(activation()->data.data32[0], 1u); // asked by an application
        QCOMPARE(activation()->data.data32[1], 4242u);
        QCOMPARE(StartupInfo(messages), QByteArray("remove: ID=files-7-host_TIME4242"));
        QCOMPARE(listener.Property(window, "_NET_STARTUP_ID"), QByteArray("files-7-host_TIME4242"));
    }

    // Without an id a window manager that guards the focus keeps it where it
    // is, and the window asks to be marked as wanting attention; with no
    // window manager at all, as here, the window simply takes the focus.
    void withoutAStartupIdTheWindowComesToNotice()
    {
        const InstanceFolder folder;
        FirstInstance first;
        QVERIFY(first.Claim());
        RootListener listener;
        QVERIFY(listener.Connected());
        const auto window = xcb_window_t(first.window.winId());
        const xcb_atom_t attention = listener.Atom("_NET_WM_STATE_DEMANDS_ATTENTION");
        // Another window has the focus: an active window needs no attention.
        QWidget other;
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        other.activateWindow();
        QTRY_VERIFY(!first.window.isActiveWindow());

        QVERIFY(StartAgain(QString()));
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         if (first.window.isActiveWindow())
                             return true;
                         for (const ClientMessage &message : listener.Messages())
                             if (message.type == "_NET_WM_STATE" && message.window == window &&
                                 message.data.data32[0] == 1 &&
                                 (message.data.data32[1] == attention || message.data.data32[2] == attention))
                                 return true;
                         return false;
                     },
                     kDeadlineMs),
                 "the first window neither took the focus nor asked for attention");
    }

    // A read of the target that the device holds back, and the window
    // closed meanwhile: the program is gone at once, with status 0.
    void closingDuringAHeldReadEndsTheProgramAtOnce()
    {
        const InstanceFolder folder;
        const mvx::faultfs::Fault hold =
            mvx::faultfs::Hold("target", 3'000'000, std::chrono::milliseconds(8000));
        mvx::test::FaultMount mount({hold});
        const std::string bytes = mvx::test::Pattern(40 * 102400);
        mvx::test::WriteBytes(mount.Backing("source"), bytes);
        mvx::test::WriteBytes(mount.Backing("target"), bytes);
        RootListener listener;
        QVERIFY(listener.Connected());
        QProcess program;
        const xcb_window_t window = StartAndClickCheck(program, listener, mount);
        QVERIFY(window != 0);
        QVERIFY2(mount.WaitUntilHeld(hold), "the click on Check did not start the comparison");
        QTest::qWait(300);

        listener.AskToClose(window);
        QElapsedTimer closing;
        closing.start();
        QVERIFY(QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, kDeadlineMs));
        QVERIFY2(closing.elapsed() < mvx::test::kGivenUpWithin.count(),
                 qPrintable(QString::number(closing.elapsed())));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(!mount.WaitUntilLetGo(hold, std::chrono::milliseconds(0)));
    }

    // The open of the target held by the device, and the window closed
    // meanwhile: the window goes while the device still holds the open, and
    // the program ends as far as the system lets it. Its process, which the
    // thread inside the file system's request keeps, ends with status 0 once
    // the device answers.
    void closingDuringAHungOpenRemovesTheWindowWhileTheDeviceHoldsIt()
    {
        const InstanceFolder folder;
        // Before the mount: on a failure, the mount goes first and lets the
        // process end.
        QProcess program;
        const mvx::faultfs::Fault hold = mvx::faultfs::HoldOpen("target", std::chrono::milliseconds(8000));
        mvx::test::FaultMount mount({hold});
        mvx::test::WriteBytes(mount.Backing("source"), "the bytes");
        mvx::test::WriteBytes(mount.Backing("target"), "the bytes");
        RootListener listener;
        QVERIFY(listener.Connected());
        const xcb_window_t window = StartAndClickCheck(program, listener, mount);
        QVERIFY(window != 0);
        QVERIFY2(mount.WaitUntilHeld(hold), "the click on Check did not start the check");

        listener.AskToClose(window);
        QVERIFY(
            QTest::qWaitFor([&] { return listener.ShownWindowOf(program.processId()) == 0; }, kDeadlineMs));
        QVERIFY(!mount.WaitUntilLetGo(hold, std::chrono::milliseconds(0)));
        mount.Release();
        QVERIFY(QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, kDeadlineMs));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    // The dock shows the check's progress while a read waits for its device
    // and as the check goes on, and nothing once the verdict comes. The
    // verdict, come while another client has the focus, opens at once without
    // taking it, marked as wanting attention as the main window is, and takes
    // the focus once the user comes back to the program.
    void theDockFollowsACheckAndTheVerdictBehindAnotherWindowOpensWithoutTheFocus()
    {
        HeldCheck held;
        Dock dock(held.bus.Address());
        QVERIFY(held.Start(dock));
        // A second of waiting is told at once, as the bar's tooltip says it.
        QTRY_VERIFY_WITH_TIMEOUT(!dock.updates.isEmpty(), kDeadlineMs);
        QVERIFY(dock.updates.constFirst().visible);

        // In a corner, clear of the program's window in the middle.
        QWidget other;
        other.setGeometry(0, 0, 100, 100);
        other.show();
        QVERIFY(QTest::qWaitForWindowExposed(&other));
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        const auto focused = xcb_window_t(other.winId());
        QCOMPARE(held.listener.Focus(), focused);
        const xcb_atom_t attention = held.listener.Atom("_NET_WM_STATE_DEMANDS_ATTENTION");
        // Qt takes a focus that has gone for lost only when no other window
        // of its own has taken it within 400 ms; the user went elsewhere
        // well before the verdict.
        QTest::qWait(1000);

        held.mount.Release();
        QTRY_VERIFY_WITH_TIMEOUT(dock.Hidden(), kDeadlineMs);
        QVERIFY(ProgressThenHidden(dock.updates));
        xcb_window_t verdict = 0;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         verdict = held.listener.ShownWindowOf(held.program.processId(), held.window);
                         return verdict != 0;
                     },
                     kDeadlineMs),
                 "the verdict did not open");
        QVERIFY(held.listener.Property(verdict, "_NET_WM_STATE")
                    .contains(QByteArray::fromRawData(reinterpret_cast<const char *>(&attention), 4)));
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         for (const ClientMessage &message : held.listener.Messages())
                             if (message.type == "_NET_WM_STATE" && message.window == held.window &&
                                 message.data.data32[0] == 1 &&
                                 (message.data.data32[1] == attention || message.data.data32[2] == attention))
                                 return true;
                         return false;
                     },
                     kDeadlineMs),
                 "the main window did not ask for attention");
        // A window that takes the focus takes it as it appears.
        QTest::qWait(500);
        QCOMPARE(held.listener.Focus(), focused);

        // The user clicks the main window, beside its buttons.
        held.listener.Click(held.window, QPoint(20, held.check.y()));
        QTRY_COMPARE_WITH_TIMEOUT(held.listener.Focus(), verdict, kDeadlineMs);
    }

    // Stop pressed through the accessibility interface, as voice control and
    // switch access press it, while another client has the focus: the warning
    // opens at once without taking the focus, and after OK the window is idle.
    void stopThroughAccessibilityWarnsAtOnceBehindAnotherClient()
    {
        const faultfs::Fault hold = faultfs::Hold("target", mvx::test::kHeldAt);
        FaultMount mount({hold});
        mvx::test::WriteHeldFiles(mount);
        RootListener listener;
        TMainForm window({mount.Mounted("source"), mount.Mounted("target")});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *button3 = window.findChild<QPushButton *>(QStringLiteral("Button3"));
        const xcb_window_t other = listener.FocusOwnWindow();
        // Once the check has started and its read is held.
        QTimer::singleShot(0, &window, [&] {
            QVERIFY(mount.WaitUntilHeld(hold));
            QAccessible::queryAccessibleInterface(button3)->actionInterface()->doAction(
                QAccessibleActionInterface::pressAction());
        });
        bool openedBehind = false;
        const mvx::test::ModalWatcher watcher([&](QWidget *) {
            const qint64 self = QCoreApplication::applicationPid();
            openedBehind = QTest::qWaitFor([&] { return listener.ShownWindowsOf(self) == 2; }, kDeadlineMs) &&
                           listener.Focus() == other;
        });
        QTest::mouseClick(button3, Qt::LeftButton);

        QCOMPARE(watcher.Texts(), QStringList{QStringLiteral("キャンセルされました")});
        QVERIFY2(openedBehind, "the warning did not open at once behind the other client's window");
        QVERIFY(!window.IsBusy());
    }

    // Stop ends the dock's progress as a verdict does.
    void stopHidesTheDocksProgress()
    {
        HeldCheck held;
        Dock dock(held.bus.Address());
        QVERIFY(held.Start(dock));
        QTRY_VERIFY_WITH_TIMEOUT(!dock.updates.isEmpty(), kDeadlineMs);
        held.listener.Click(held.window, held.check);
        QTRY_VERIFY_WITH_TIMEOUT(dock.Hidden(), kDeadlineMs);
        QVERIFY(ProgressThenHidden(dock.updates));
    }
};

int main(int argc, char *argv[])
{
    const QString server = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (server.isEmpty()) {
        std::fprintf(stderr, "Xvfb is missing: apt-get install xvfb (scripts/deps.sh does)\n");
        return 1;
    }
    // Xvfb picks a free display and writes its number on the descriptor. It
    // listens on its abstract socket alone: nothing of it lands in /tmp.
    QProcess xvfb;
    QByteArray display;
    {
        QCoreApplication starting(argc, argv);
        xvfb.start(server, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                            QStringLiteral("tcp"), QStringLiteral("-nolisten"), QStringLiteral("unix"),
                            QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24")});
        if (!QTest::qWaitFor([&] { return xvfb.canReadLine() || xvfb.state() == QProcess::NotRunning; },
                             kDeadlineMs) ||
            !xvfb.canReadLine()) {
            std::fprintf(stderr, "Xvfb did not start: %s\n", xvfb.readAllStandardError().constData());
            return 1;
        }
        display = ':' + xvfb.readLine().trimmed();
    }
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    int status = 0;
    {
        QApplication app(argc, argv);
        mvx::ui::ApplyProgramFont();
        X11Test test;
        QTEST_SET_MAIN_SOURCE_PATH
        status = QTest::qExec(&test, argc, argv);
    }
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return status;
}

#include "X11Test.moc"
