#include "Boxes.h"

#include "ApplicationEvents.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace mvx::ui {

namespace {

// A message box lays itself out only when shown, so it is centred then.
class CentredMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        Guarded(this, [this] { CentreOnScreen(*this); });
    }
};

} // namespace

void CentreOnScreen(QWidget &window)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const QSize outer = window.frameGeometry().size();
    window.move(area.x() + (area.width() - outer.width()) / 2,
                area.y() + (area.height() - outer.height()) / 2);
}

void WarningBox(QWidget *owner, const QString &message)
{
    QApplication::beep();
    CentredMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), message, QMessageBox::Ok, owner);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

} // namespace mvx::ui
