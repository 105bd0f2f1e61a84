#include "ui/Boxes.h"

#include "check/FailureText.h"
#include "check/Guarded.h"
#include "check/Identity.h"
#include "check/WindowTexts.h"
#include "ui/Attention.h"
#include "ui/X11FocusHold.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>

namespace mvx::ui {

namespace {

// How long a window manager may take to put its frame around a new window,
// and how often the window looks whether it has.
constexpr int kFrameWaitMs = 1000;
constexpr int kFramePollMs = 20;

QPoint CentredPosition(const QWidget &window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return window.pos();
    const QRect area = screen->geometry();
    const QSize outer = window.frameGeometry().size();
    return {area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2};
}

// A window is shown before the window manager has framed it, so its outer
// size is at first its inner one, and the frame's size arrives later without
// an event of its own. For a moment after showing, the window is centred
// again whenever its outer size has changed, unless the user has moved it.
class FrameWatch : public QObject {
public:
    explicit FrameWatch(QWidget &window)
        : QObject(&window), window_(window), clientAt_(window.geometry().topLeft()),
          centredFor_(window.frameGeometry().size())
    {
        connect(&poll_, &QTimer::timeout, this, [this] { Guarded([this] { Recentre(); }); });
        poll_.start(kFramePollMs);
        QTimer::singleShot(kFrameWaitMs, this, &QObject::deleteLater);
    }

private:
    void Recentre()
    {
        // The inner area stays put while a frame is put around it; only the
        // user moves it.
        const QPoint client = window_.geometry().topLeft();
        if (client != clientAt_) {
            deleteLater();
            return;
        }
        if (window_.frameGeometry().size() == centredFor_)
            return;
        centredFor_ = window_.frameGeometry().size();
        const QPoint frameToClient = client - window_.pos();
        const QPoint placed = CentredPosition(window_);
        window_.move(placed);
        clientAt_ = placed + frameToClient;
    }

    QWidget &window_;
    QPoint clientAt_;
    QSize centredFor_;
    QTimer poll_;
};

// A message box lays itself out only when shown, so it is centred then.
class CentredMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        Guarded([this] { CentreOnScreen(*this); });
    }
};

void ShowBox(QMessageBox::Icon icon, const QString &caption, const QString &message, QWidget *owner)
{
    CentredMessageBox box(icon, caption, message, QMessageBox::Ok, owner);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    OpenModal(box);
}

QWidgetList VisibleWindows()
{
    QWidgetList visible = QApplication::topLevelWidgets();
    visible.removeIf([](const QWidget *window) { return !window->isVisible(); });
    return visible;
}

// A program that shows no window yet has just been started, and its first
// window may take the focus. On X11 the server knows where the focus is now;
// Qt learns it a moment later. Qt's application state is no guide: on Wayland
// it may stay active when the focus has gone to another program.
bool InFront(const QWidgetList &visible)
{
    return visible.isEmpty() || X11FocusInProgram().value_or(QGuiApplication::focusWindow() != nullptr);
}

} // namespace

void CentreOnScreen(QWidget &window)
{
    window.move(CentredPosition(window));
    new FrameWatch(window);
}

int OpenModal(QDialog &dialog)
{
    const QWidgetList visible = VisibleWindows();
    if (InFront(visible))
        return dialog.exec();
    for (QWidget *window : visible)
        AskForAttention(*window);
    // A window manager leaves the focus where it is as the window appears.
    dialog.setAttribute(Qt::WA_ShowWithoutActivating);
    X11FocusHold hold(dialog);
    return dialog.exec();
}

void WarningBox(QWidget *owner, const QString &message)
{
    QApplication::beep();
    ShowBox(QMessageBox::Warning, QString::fromUtf8(kWarningCaption), message, owner);
}

void ErrorBox(const QString &message)
{
    const QString text = QString::fromStdString(WithClosingPeriod(message.toStdString()));
    ShowBox(QMessageBox::Critical, QString::fromUtf8(kProgramTitle), text, nullptr);
}

} // namespace mvx::ui

void mvx::ApplicationEvents1Exception(const std::exception_ptr &failure) noexcept
{
    // Showing the box needs memory too; when even that fails, the failure
    // is only heard rather than ending the program.
    try {
        ui::ErrorBox(QString::fromStdString(FailureMessage(failure)));
    } catch (...) {
        QApplication::beep();
    }
}
