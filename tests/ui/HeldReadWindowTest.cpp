// The main window on a device that stops answering, on a mount of the fault
// file system: the window goes on answering while a read is held, Stop ends
// the check at once with its warning, another check works while the read is
// still held, and after a second the window tells of the wait without moving
// or renaming anything.
#include "faultfs/Fault.h"
#include "support/FaultMount.h"
#include "support/HeldRead.h"
#include "support/ModalAnswer.h"
#include "support/TempFiles.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"

#include <QAccessible>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <optional>

namespace faultfs = mvx::faultfs;
using mvx::test::FaultMount;
using mvx::test::kGivenUpWithin;
using mvx::test::kHeldAt;
using mvx::test::kHeldLong;
using mvx::test::ModalWatcher;
using mvx::ui::TMainForm;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

const QString kWaitingText = QStringLiteral("デバイスの応答を待っています");

// Every widget's place and size in the window, and the buttons' captions.
QStringList Look(const QWidget &window)
{
    QStringList look;
    for (const QWidget *child : window.findChildren<QWidget *>()) {
        if (child->window() != &window)
            continue;
        QString text;
        if (const auto *button = qobject_cast<const QPushButton *>(child))
            text = button->text();
        look << child->objectName() + QLatin1Char(' ') + QString::number(child->x()) + QLatin1Char(',') +
                    QString::number(child->y()) + QLatin1Char(' ') + QString::number(child->width()) +
                    QLatin1Char('x') + QString::number(child->height()) + QLatin1Char(' ') + text;
    }
    return look;
}

} // namespace

class HeldReadWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TMainForm> window;

    template <typename T> T *Child(const char *name) { return window->findChild<T *>(QLatin1String(name)); }

    void Check(const std::string &source, const std::string &target)
    {
        Child<QLineEdit>("Edit1")->setText(QString::fromStdString(source));
        Child<QLineEdit>("Edit2")->setText(QString::fromStdString(target));
        QTest::mouseClick(Child<QPushButton>("Button3"), Qt::LeftButton);
    }

    static void WritePairs(const FaultMount &mount)
    {
        mvx::test::WriteHeldFiles(mount, {"source", "target", "other-a", "other-b"});
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

    void stopDuringAHeldReadWarnsAtOnceAndAnotherCheckWorksMeanwhile()
    {
        const faultfs::Fault hold = faultfs::Hold("target", kHeldAt, kHeldLong);
        FaultMount mount({hold});
        WritePairs(mount);

        // While the read is held, the window goes on handling its events: a
        // timer of its own keeps firing. A moment after the hold, Stop.
        std::optional<Clock::time_point> heldAt;
        std::optional<Clock::time_point> stoppedAt;
        Clock::time_point lastTick = Clock::now();
        Clock::duration longestGap{};
        QTimer ticks;
        connect(&ticks, &QTimer::timeout, this, [&] {
            const Clock::time_point now = Clock::now();
            if (heldAt && !stoppedAt)
                longestGap = std::max(longestGap, now - lastTick);
            lastTick = now;
            if (!heldAt && mount.WaitUntilHeld(hold, milliseconds(0)))
                heldAt = now;
            if (heldAt && !stoppedAt && now - *heldAt >= milliseconds(300)) {
                stoppedAt = Clock::now();
                QTest::mouseClick(Child<QPushButton>("Button3"), Qt::LeftButton);
            }
        });
        ticks.start(5);
        std::optional<Clock::time_point> warnedAt;
        QStringList warnings;
        {
            const ModalWatcher watcher([&](QWidget *) { warnedAt = Clock::now(); });
            Check(mount.Mounted("source"), mount.Mounted("target"));
            ticks.stop();
            warnings = watcher.Texts();
        }

        QVERIFY(stoppedAt);
        QCOMPARE(warnings, QStringList{QStringLiteral("キャンセルされました")});
        QVERIFY(warnedAt);
        QVERIFY2(*warnedAt - *stoppedAt < kGivenUpWithin,
                 qPrintable(QString::number(
                     std::chrono::duration_cast<milliseconds>(*warnedAt - *stoppedAt).count())));
        QVERIFY2(longestGap < kGivenUpWithin,
                 qPrintable(QString::number(std::chrono::duration_cast<milliseconds>(longestGap).count())));
        QCOMPARE(Child<QPushButton>("Button3")->text(), QStringLiteral("チェック"));
        QVERIFY(Child<QPushButton>("Button4")->isEnabled());
        QCOMPARE(Child<QProgressBar>("ProgressBar1")->value(), 0);

        // The held read has not returned: other files of the same device.
        QVERIFY(!mount.WaitUntilLetGo(hold, milliseconds(0)));
        const ModalWatcher second;
        Check(mount.Mounted("other-a"), mount.Mounted("other-b"));
        QCOMPARE(second.Seen().size(), 1);
        QVERIFY2(second.Seen().first().text.startsWith(QStringLiteral("     同一のファイルです\n")),
                 qPrintable(second.Seen().first().text));
        QVERIFY(!mount.WaitUntilLetGo(hold, milliseconds(0)));
    }

    void aWaitOfASecondIsToldWithoutMovingOrRenamingAnything()
    {
        const faultfs::Fault hold = faultfs::Hold("target", kHeldAt, milliseconds(1500));
        FaultMount mount({hold});
        WritePairs(mount);
        const QStringList before = Look(*window);

        bool told = false;
        bool lookKept = true;
        QTimer ticks;
        connect(&ticks, &QTimer::timeout, this, [&] {
            lookKept = lookKept && Look(*window).replaceInStrings(QStringLiteral("ストップ"),
                                                                  QStringLiteral("チェック")) == before;
            if (Child<QPushButton>("Button3")->toolTip() == kWaitingText) {
                told = true;
                QCOMPARE(Child<QProgressBar>("ProgressBar1")->toolTip(), kWaitingText);
                QCOMPARE(window->cursor().shape(), Qt::BusyCursor);
                QCOMPARE(Child<QPushButton>("Button3")->text(), QStringLiteral("ストップ"));
                // A screen reader hears where the bar stands: part of the way.
                auto *bar = Child<QProgressBar>("ProgressBar1");
                const QVariant heard =
                    QAccessible::queryAccessibleInterface(bar)->valueInterface()->currentValue();
                QCOMPARE(heard.toInt(), bar->value());
                QVERIFY(bar->value() > bar->minimum() && bar->value() < bar->maximum());
            }
        });
        ticks.start(20);
        const ModalWatcher watcher;
        Check(mount.Mounted("source"), mount.Mounted("target"));
        ticks.stop();

        QVERIFY(told);
        QVERIFY(lookKept);
        QCOMPARE(watcher.Seen().size(), 1);
        QVERIFY(watcher.Seen().first().text.startsWith(QStringLiteral("     同一のファイルです\n")));
        QCOMPARE(Child<QPushButton>("Button3")->toolTip(), QString());
        QCOMPARE(Child<QProgressBar>("ProgressBar1")->toolTip(), QString());
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(Look(*window), before);
    }

    void stopDuringAHungLookUpOrOpenWarnsAndTheWindowComesBackIdle_data()
    {
        QTest::addColumn<bool>("open");
        QTest::newRow("look-up") << false;
        QTest::newRow("open") << true;
    }

    // The device holds the target's look-up or open far longer than any stop
    // may take: whatever shows the window busy, its events handled and the
    // stop given up must come while it still does.
    void stopDuringAHungLookUpOrOpenWarnsAndTheWindowComesBackIdle()
    {
        QFETCH(bool, open);
        const faultfs::Fault hold =
            open ? faultfs::HoldOpen("target", kHeldLong) : faultfs::HoldLookUp("target", kHeldLong);
        FaultMount mount({hold});
        WritePairs(mount);

        // A timer of the window's own goes on firing while the device holds
        // the check: a few ticks into the hold, the window is busy, and Stop.
        int ticksWhileHeld = 0;
        bool busy = false;
        bool stoppedWhileHeld = false;
        QTimer ticks;
        connect(&ticks, &QTimer::timeout, this, [&] {
            if (ticksWhileHeld == 10 || !mount.WaitUntilHeld(hold, milliseconds(0)))
                return;
            if (++ticksWhileHeld < 10)
                return;
            busy = Child<QPushButton>("Button3")->text() == QStringLiteral("ストップ") &&
                   !Child<QPushButton>("Button4")->isEnabled();
            stoppedWhileHeld = !mount.WaitUntilLetGo(hold, milliseconds(0));
            QTest::mouseClick(Child<QPushButton>("Button3"), Qt::LeftButton);
        });
        ticks.start(5);
        bool warnedWhileHeld = false;
        QList<mvx::test::SeenModal> seen;
        {
            const ModalWatcher watcher(
                [&](QWidget *) { warnedWhileHeld = !mount.WaitUntilLetGo(hold, milliseconds(0)); });
            Check(mount.Mounted("source"), mount.Mounted("target"));
            ticks.stop();
            seen = watcher.Seen();
        }

        QVERIFY(busy);
        QVERIFY(stoppedWhileHeld);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen.first().text, QStringLiteral("キャンセルされました"));
        QCOMPARE(seen.first().icon, int(QMessageBox::Warning));
        QVERIFY(warnedWhileHeld);
        QCOMPARE(Child<QPushButton>("Button3")->text(), QStringLiteral("チェック"));
        QVERIFY(Child<QPushButton>("Button4")->isEnabled());
        QVERIFY(Child<QPushButton>("Button1")->isEnabled());
        QVERIFY(mvx::test::VisibleTopLevels(window.get()).isEmpty());
    }
};

QTEST_MAIN(HeldReadWindowTest)
#include "HeldReadWindowTest.moc"
