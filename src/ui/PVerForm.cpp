#include "ui/PVerForm.h"

#include "check/Guarded.h"
#include "check/Identity.h"
#include "ui/Boxes.h"
#include "ui_PVerForm.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

namespace mvx::ui {

namespace {

// The desktop reports nothing back that the user could act on, so what it
// answers is not looked at. Its own windows may want to paint meanwhile.
void HandToDesktop(const QString &target)
{
    QDesktopServices::openUrl(QUrl(target));
    QCoreApplication::processEvents();
}

} // namespace

TVerForm::TVerForm(QWidget *owner) : OkOnlyDialog(owner), ui_(std::make_unique<Ui::TVerForm>())
{
    ui_->setupUi(this);
    FixFrame();

    ui_->Label1->setText(QString::fromUtf8(kVersionLine));
    for (QLabel *label : {ui_->Label1, ui_->Label2, ui_->Label3, ui_->Label4, ui_->Label5})
        label->adjustSize();

    connect(ui_->Label3, &QLabel::linkActivated, this,
            [this](const QString &target) { Guarded([&] { Label3Click(target); }); });
    connect(ui_->Label5, &QLabel::linkActivated, this,
            [this](const QString &target) { Guarded([&] { Label5Click(target); }); });
    connect(ui_->Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
}

TVerForm::~TVerForm() = default;

void TVerForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TVerForm::FormShow()
{
    CentreOnScreen(*this);
    ui_->Button1->setFocus();
}

void TVerForm::Label3Click(const QString &target)
{
    HandToDesktop(target);
}

void TVerForm::Label5Click(const QString &target)
{
    HandToDesktop(target);
}

void TVerForm::Button1Click()
{
    close();
}

} // namespace mvx::ui
