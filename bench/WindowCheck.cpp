// The Check command through the real main window: paths typed into the two
// fields, Button3 clicked, the verdict closed as soon as it shows.
// Prints the microseconds from the click to the verdict window showing.
// Exit status 0 identical, 1 different, 2 when no verdict came.
#include "app/Application.h"
#include "ui/Fonts.h"
#include "ui/MVX.h"
#include "ui/PKekkaForm.h"

#include <QLineEdit>
#include <QPushButton>
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
    bool otherModal = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            if (auto *verdict = qobject_cast<mvx::ui::TKekkaForm *>(watched)) {
                if (!shownAt)
                    shownAt = Clock::now();
                QMetaObject::invokeMethod(verdict, &QDialog::accept, Qt::QueuedConnection);
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
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: mvx-bench-window SOURCE TARGET\n");
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
    QApplication::exec();
    if (!closer.shownAt || closer.otherModal)
        return 2;
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(*closer.shownAt - clicked);
    std::printf("%lld\n", static_cast<long long>(micros.count()));
    return form.Outcome().SameFile ? 0 : 1;
}
