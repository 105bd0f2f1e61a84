#include "ui/PKekkaForm.h"

#include "check/Guarded.h"
#include "check/VerdictText.h"
#include "ui/Boxes.h"
#include "ui_PKekkaForm.h"

#include <QApplication>
#include <QLocale>
#include <QPainter>
#include <QTextCursor>
#include <QtMath>

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

QImage TKekkaForm::DrawMark(bool sameFile, qreal pixelRatio)
{
    // Drawn at the screen's own pixels, so that a scaled screen shows smooth
    // curves instead of a small image blown up; the painter keeps to the
    // mark's 80 x 80 units either way.
    const int devicePixels = qCeil(kMarkSize * pixelRatio);
    QImage image(devicePixels, devicePixels, QImage::Format_RGB32);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::black);
    QPainter painter(&image);
    // At one pixel per unit the pixels stay as sharp as the window's own lines.
    painter.setRenderHint(QPainter::Antialiasing, pixelRatio != 1.0);
    // The one-unit frame as a filled ring rather than a stroked rectangle: a
    // stroke straddles its line and would leave half of it outside the image.
    painter.fillRect(QRectF(1, 1, kMarkSize - 2, kMarkSize - 2), Qt::white);

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
    ui_->Image1->setPixmap(QPixmap::fromImage(DrawMark(outcome_.SameFile, devicePixelRatioF())));
    const std::string separator = QLocale().decimalPoint().toStdString();
    const QString verdict = QString::fromStdString(VerdictLine(outcome_.SameFile));
    const QString time = QString::fromStdString(TimeLine(outcome_.ElapsedSeconds, separator));
    ui_->Memo1->clear();
    ui_->Memo1->appendPlainText(kIndent + verdict);
    ui_->Memo1->appendPlainText(kIndent + time);
    // What a screen reader says as the window opens, with the focus on OK:
    // the verdict and the time, without the user looking for the text.
    ui_->Image1->setAccessibleName(verdict);
    setAccessibleDescription(verdict + u'\n' + time);
    ui_->Memo1->moveCursor(QTextCursor::Start);
    ui_->ButOk->setFocus();
    QApplication::beep();
}

void TKekkaForm::ButOkClick()
{
    accept();
}

} // namespace mvx::ui
