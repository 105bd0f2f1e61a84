#include "PVerForm.h"

#include "AppInfo.h"
#include "ApplicationEvents.h"
#include "Boxes.h"
#include "ui_PVerForm.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

namespace mvx::ui {

namespace {

// A link is followed like a button: pressed and released over it with the
// left button.
bool IsLinkClick(QWidget &link, QEvent &event)
{
    if (event.type() != QEvent::MouseButtonRelease)
        return false;
    const auto &mouse = static_cast<QMouseEvent &>(event);
    return mouse.button() == Qt::LeftButton && link.rect().contains(mouse.position().toPoint());
}

// The desktop reports nothing back that the user could act on, so what it
// answers is not looked at. Its own windows may want to paint meanwhile.
void HandToDesktop(const QUrl &target)
{
    QDesktopServices::openUrl(target);
    QCoreApplication::processEvents();
}

} // namespace

QString MailTarget()
{
    return QStringLiteral("mailto:") + kMailDisplayName + u'<' + kMailAddress + u'>';
}

TVerForm::TVerForm(QWidget *owner) : OkOnlyDialog(owner), ui_(std::make_unique<Ui::TVerForm>())
{
    ui_->setupUi(this);
    FixFrame();

    ui_->Label1->setText(kVersionText);
    ui_->Label3->setText(kHomePage);
    ui_->Label5->setText(kMailAddress);
    for (QLabel *label : {ui_->Label1, ui_->Label2, ui_->Label3, ui_->Label4, ui_->Label5})
        label->adjustSize();

    for (QLabel *link : {ui_->Label3, ui_->Label5})
        link->installEventFilter(this);
    connect(ui_->Button1, &QPushButton::clicked, this, [this] { Guarded(this, [this] { Button1Click(); }); });
}

TVerForm::~TVerForm() = default;

void TVerForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Guarded(this, [this] { FormShow(); });
}

void TVerForm::FormShow()
{
    CentreOnScreen(*this);
    ui_->Button1->setFocus();
}

bool TVerForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui_->Label3 && watched != ui_->Label5)
        return QDialog::eventFilter(watched, event);
    auto &link = static_cast<QLabel &>(*watched);
    if (event->type() == QEvent::MouseButtonPress)
        return true;
    if (!IsLinkClick(link, *event))
        return QDialog::eventFilter(watched, event);
    if (&link == ui_->Label3)
        Guarded(this, [this] { Label3Click(); });
    else
        Guarded(this, [this] { Label5Click(); });
    return true;
}

void TVerForm::Label3Click()
{
    HandToDesktop(QUrl(kHomePage));
}

void TVerForm::Label5Click()
{
    HandToDesktop(QUrl(MailTarget()));
}

void TVerForm::Button1Click()
{
    close();
}

} // namespace mvx::ui
