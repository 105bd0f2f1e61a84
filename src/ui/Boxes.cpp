#include "ui/Boxes.h"

#include "check/CheckTexts.h"
#include "check/Identity.h"
#include "ui/Guarded.h"

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

// How long a window manager may take to put its frame around a new window.
constexpr int kFrameWaitMs = 1000;

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
// size is at first its inner one. Once the frame is there, the window is
// centred again, unless the user has moved it meanwhile.
class FrameWatch : public QObject {
public:
    FrameWatch(QWidget &window, QPoint placed)
        : QObject(&window), window_(window), placed_(placed), centredFor_(window.frameGeometry().size())
    {
        window.installEventFilter(this);
        QTimer::singleShot(kFrameWaitMs, this, &QObject::deleteLater);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &window_ &&
            (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
             event->type() == QEvent::WindowActivate || event->type() == QEvent::Expose)) {
            Guarded([this] { Recentre(); });
        }
        return false;
    }

private:
    void Recentre()
    {
        if (window_.frameGeometry().size() == centredFor_)
            return;
        if (window_.pos() != placed_) {
            deleteLater();
            return;
        }
        centredFor_ = window_.frameGeometry().size();
        placed_ = CentredPosition(window_);
        window_.move(placed_);
    }

    QWidget &window_;
    QPoint placed_;
    QSize centredFor_;
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
    box.exec();
}

} // namespace

void CentreOnScreen(QWidget &window)
{
    const QPoint placed = CentredPosition(window);
    window.move(placed);
    new FrameWatch(window, placed);
}

void WarningBox(QWidget *owner, const QString &message)
{
    QApplication::beep();
    ShowBox(QMessageBox::Warning, QStringLiteral("警告"), message, owner);
}

void ErrorBox(const QString &message)
{
    const QString text = QString::fromStdString(WithClosingPeriod(message.toStdString()));
    ShowBox(QMessageBox::Critical, QString::fromUtf8(kProgramTitle), text, nullptr);
}

} // namespace mvx::ui
