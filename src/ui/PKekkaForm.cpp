#include "ui/PKekkaForm.h"

#include "check/Guarded.h"
#include "check/VerdictText.h"
#include "ui/Boxes.h"
#include "ui_PKekkaForm.h"

#include <QApplication>
#include <QLocale>
#include <QPainter>
#include <QTextCursor>

namespace mvx::ui {

namespace {

constexpr int kMarkSize = 80;
constexpr int kMarkInset = 5;
constexpr int kMarkPenWidth = 7;
const QString kIndent = QStringLiteral("     ");

} // namespace

TKekkaForm::TKekkaForm(const ComparisonOutcome &outcome, QWidget *owner)
    : OkOnlyDialog(owner), ui_(std::make_unique<Ui::TKekkaForm>()), outcome_(outcome)
{
    ui_->setupUi(this);
    FixFrame();
    // Both lines must show in the field's 41 pixels, as they do in a plain edit control.
    ui_->Memo1->document()->setDocumentMargin(1);
    // Tab moves on to the next control, as in a plain edit field.
    ui_->Memo1->setTabChangesFocus(true);
    connect(ui_->ButOk, &QPushButton::clicked, this, [this] { Guarded([this] { ButOkClick(); }); });
}

TKekkaForm::~TKekkaForm() = default;

QImage TKekkaForm::DrawMark(bool sameFile)
{
    QImage image(kMarkSize, kMarkSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(0, 0, kMarkSize - 1, kMarkSize - 1);

    painter.setPen(QPen(QColor(255, 0, 0), kMarkPenWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const int far = kMarkSize - kMarkInset;
    if (sameFile) {
        painter.drawEllipse(QRect(QPoint(kMarkInset, kMarkInset), QPoint(far - 1, far - 1)));
    } else {
        painter.drawLine(kMarkInset, kMarkInset, far, far);
        painter.drawLine(far, kMarkInset, kMarkInset, far);
    }
    return image;
}

void TKekkaForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Guarded([this] { FormShow(); });
}

void TKekkaForm::FormShow()
{
    CentreOnScreen(*this);
    ui_->Image1->setPixmap(QPixmap::fromImage(DrawMark(outcome_.SameFile)));
    const std::string separator = QLocale().decimalPoint().toStdString();
    ui_->Memo1->clear();
    ui_->Memo1->appendPlainText(kIndent + QString::fromStdString(VerdictLine(outcome_.SameFile)));
    ui_->Memo1->appendPlainText(kIndent +
                                QString::fromStdString(TimeLine(outcome_.ElapsedSeconds, separator)));
    ui_->Memo1->moveCursor(QTextCursor::Start);
    ui_->ButOk->setFocus();
    QApplication::beep();
}

void TKekkaForm::ButOkClick()
{
    accept();
}

} // namespace mvx::ui
