// The Check command through the real main window: paths typed into the two
// fields, Button3 clicked, the verdict closed as soon as it shows.
// Prints the microseconds from the click to the verdict window showing.
// Exit status 0 identical, 1 different, 2 when no verdict came.
//
// With --stop-on-input, Stop is clicked when a line comes on standard input,
// and the program prints the microseconds from that click to the warning
// showing, and the longest time in between the click on Check and the warning
// that the window went without handling its events; status 0 when the
// warning came, 2 otherwise.
#include "app/Application.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"
#include "ui/PKekkaForm.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

// Notes the moment the verdict shows and closes it right away, so that the
// time counted ends where the user starts reading.
class VerdictCloser : public QObject {
public:
    std::optional<Clock::time_point> shownAt;
    std::optional<Clock::time_point> warnedAt;
    bool otherModal = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            if (auto *verdict = qobject_cast<mvx::ui::TKekkaForm *>(watched)) {
                if (!shownAt)
                    shownAt = Clock::now();
                QMetaObject::invokeMethod(verdict, &QDialog::accept, Qt::QueuedConnection);
            } else if (auto *box = qobject_cast<QMessageBox *>(watched);
                       box && box->text() == QStringLiteral("キャンセルされました")) {
                if (!warnedAt)
                    warnedAt = Clock::now();
                QMetaObject::invokeMethod(box, &QDialog::accept, Qt::QueuedConnection);
            } else if (auto *dialog = qobject_cast<QDialog *>(watched); dialog && dialog->isModal()) {
                otherModal = true;
                QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    mvx::Application app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    const bool stopOnInput = arguments.size() == 4 && arguments.at(1) == QStringLiteral("--stop-on-input");
    if (stopOnInput)
        arguments.removeAt(1);
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: mvx-bench-window [--stop-on-input] SOURCE TARGET\n");
        return 2;
    }
    mvx::ui::ApplyProgramFont();
    mvx::ui::TMainForm form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 2;
    form.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(arguments.at(1));
    form.findChild<QLineEdit *>(QStringLiteral("Edit2"))->setText(arguments.at(2));
    auto *check = form.findChild<QPushButton *>(QStringLiteral("Button3"));

    VerdictCloser closer;
    app.installEventFilter(&closer);
    Clock::time_point clicked;
    // From inside the event loop, where a user's click is handled too.
    QTimer::singleShot(0, &form, [&] {
        clicked = Clock::now();
        QTest::mouseClick(check, Qt::LeftButton);
        QCoreApplication::quit();
    });

    // A timer that fires whenever the window handles its events.
    Clock::time_point lastTick = Clock::now();
    Clock::duration longestGap{};
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticks, &QTimer::timeout, &form, [&] {
        const Clock::time_point now = Clock::now();
        if (!closer.warnedAt)
            longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    std::optional<Clock::time_point> stoppedAt;
    QSocketNotifier input(0, QSocketNotifier::Read);
    input.setEnabled(stopOnInput);
    QObject::connect(&input, &QSocketNotifier::activated, &form, [&] {
        input.setEnabled(false);
        stoppedAt = Clock::now();
        QTest::mouseClick(check, Qt::LeftButton);
    });
    if (stopOnInput)
        ticks.start(1);

    QApplication::exec();
    if (stopOnInput) {
        if (!stoppedAt || !closer.warnedAt || closer.shownAt)
            return 2;
        const auto micros = [](Clock::duration d) {
            return static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(d).count());
        };
        std::printf("%lld %lld\n", micros(*closer.warnedAt - *stoppedAt), micros(longestGap));
        return 0;
    }
    if (!closer.shownAt || closer.otherModal)
        return 2;
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(*closer.shownAt - clicked);
    std::printf("%lld\n", static_cast<long long>(micros.count()));
    return form.Outcome().SameFile ? 0 : 1;
}
