#include "MVX.h"

#include "BarProgress.h"
#include "Boxes.h"
#include "Compare.h"
#include "ErrorBox.h"
#include "FileLayer.h"
#include "PKekkaForm.h"
#include "PVerForm.h"
#include "ui_MVX.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QMimeData>
#include <QScopeGuard>
#include <QTimer>
#include <QUrl>

namespace mvx::ui {

namespace {

const QString kCheckCaption = QStringLiteral("チェック");
const QString kStopCaption = QStringLiteral("ストップ");

// The client area below the menu bar, as designed.
constexpr int kClientWidth = 342;
constexpr int kClientHeight = 148;
constexpr int kMenuBarHeight = 19;
constexpr int kFieldMargin = 84;
constexpr int kBarMargin = 21;

std::string PathBytes(const QString &text)
{
    return QFile::encodeName(text).toStdString();
}

// The local path of the first item of a drop, or nothing when there is none.
QString FirstDroppedPath(const QMimeData *data)
{
    if (data == nullptr || !data->hasUrls() || data->urls().isEmpty())
        return {};
    const QUrl &first = data->urls().constFirst();
    return first.isLocalFile() ? QDir::toNativeSeparators(first.toLocalFile()) : QString();
}

} // namespace

TMainForm::TMainForm(QStringList parameters, QWidget *parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::TMainForm>()), parameters_(std::move(parameters))
{
    ui_->setupUi(this);
    FormCreate();
}

TMainForm::~TMainForm() = default;

template <typename Sender> void TMainForm::Handle(Sender *sender, void (TMainForm::*command)())
{
    const auto run = [this, command] { Guarded(this, [this, command] { (this->*command)(); }); };
    if constexpr (std::is_base_of_v<QAction, Sender>)
        connect(sender, &QAction::triggered, this, run);
    else
        connect(sender, &QAbstractButton::clicked, this, run);
}

void TMainForm::FormCreate()
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    ui_->MainMenu1->setFixedHeight(kMenuBarHeight);
    ui_->ClientArea->setMinimumWidth(kClientWidth);
    ui_->ClientArea->setFixedHeight(kClientHeight);
    setMinimumWidth(kClientWidth);
    setFixedHeight(kMenuBarHeight + kClientHeight);

    ApplicationEvents1 = new TApplicationEvents(this);
    connect(ApplicationEvents1, &TApplicationEvents::OnException, this,
            &TMainForm::ApplicationEvents1Exception);

    for (QLineEdit *field : {ui_->Edit1, ui_->Edit2}) {
        field->setAcceptDrops(true);
        field->installEventFilter(this);
    }

    Handle(ui_->Button1, &TMainForm::Button1Click);
    Handle(ui_->Button2, &TMainForm::Button2Click);
    Handle(ui_->Button3, &TMainForm::Button3Click);
    Handle(ui_->Button4, &TMainForm::Button4Click);
    Handle(ui_->MenuHelp, &TMainForm::MenuHelpClick);
    Handle(ui_->MenuVer, &TMainForm::MenuVerClick);
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!shownOnce_) {
        shownOnce_ = true;
        Guarded(this, [this] { FormShow(); });
    }
}

void TMainForm::FormShow()
{
    // Qt's progress bars are drawn continuously already; nothing to switch.
    ui_->Edit1->clear();
    ui_->Edit2->clear();
    if (parameters_.size() == 2) {
        ui_->Edit1->setText(parameters_.at(0));
        ui_->Edit2->setText(parameters_.at(1));
    }
    CentreOnScreen(*this);
    ui_->Button1->setFocus();
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Guarded(this, [this] { FormResize(); });
}

void TMainForm::FormResize()
{
    const int clientWidth = width();
    for (QWidget *field : {static_cast<QWidget *>(ui_->Edit1), static_cast<QWidget *>(ui_->Edit2)})
        field->resize(clientWidth - kFieldMargin, field->height());
    ui_->ProgressBar1->resize(clientWidth - kBarMargin, ui_->ProgressBar1->height());
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (field == nullptr || (field != ui_->Edit1 && field != ui_->Edit2))
        return QMainWindow::eventFilter(watched, event);
    bool handled = false;
    Guarded(this, [&] { handled = FilterDrop(*field, *event); });
    return handled || QMainWindow::eventFilter(watched, event);
}

bool TMainForm::FilterDrop(QLineEdit &field, QEvent &event)
{
    switch (event.type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(&event);
        if (!drag->mimeData()->hasUrls())
            break;
        if (FirstDroppedPath(drag->mimeData()).isEmpty())
            drag->ignore();
        else
            drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(&event);
        if (!drop->mimeData()->hasUrls())
            break;
        const QString path = FirstDroppedPath(drop->mimeData());
        if (!path.isEmpty()) {
            field.setText(path);
            drop->acceptProposedAction();
        }
        return true;
    }
    default:
        break;
    }
    return false;
}

void TMainForm::Browse(QLineEdit &field)
{
    // Made at the first browse: a file dialog starts threads that watch the
    // file system, which a window that only compares has no use for.
    if (OpenDialog1 == nullptr) {
        OpenDialog1 = new QFileDialog(this);
        OpenDialog1->setFileMode(QFileDialog::AnyFile);
        OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    }
    // Opens on the last name confirmed from either button, not on whatever
    // was typed into a dialog that was then cancelled.
    if (!lastConfirmed_.isEmpty())
        OpenDialog1->selectFile(lastConfirmed_);
    if (OpenDialog1->exec() == QDialog::Accepted && !OpenDialog1->selectedFiles().isEmpty()) {
        lastConfirmed_ = OpenDialog1->selectedFiles().constFirst();
        field.setText(QDir::toNativeSeparators(lastConfirmed_));
    }
    if (!ui_->Edit1->text().isEmpty() && !ui_->Edit2->text().isEmpty())
        ui_->Button3->setFocus();
}

void TMainForm::Button1Click()
{
    Browse(*ui_->Edit1);
}

void TMainForm::Button2Click()
{
    Browse(*ui_->Edit2);
}

void TMainForm::Button4Click()
{
    close();
}

void TMainForm::MenuHelpClick()
{
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/Readme.txt");
    if (!IsExistingFile(PathBytes(path))) {
        WarningBox(this, QStringLiteral("Readme.txtが存在しません"));
        return;
    }
    // The desktop's text viewer reports its own troubles, if any.
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void TMainForm::MenuVerClick()
{
    VerForm = new TVerForm(this);
    OkOnlyDialog::ShowThenRelease(VerForm);
}

void TMainForm::SetCommandsEnabled(bool enabled)
{
    ui_->MenuHelp->setEnabled(enabled);
    ui_->MenuVer->setEnabled(enabled);
    ui_->Button1->setEnabled(enabled);
    ui_->Button2->setEnabled(enabled);
}

void TMainForm::EnterBusy()
{
    busy_ = true;
    SetCommandsEnabled(false);
    ui_->Button3->setText(kStopCaption);
    ui_->Button4->setEnabled(false);
}

void TMainForm::RestoreIdle()
{
    busy_ = false;
    SetCommandsEnabled(true);
    ui_->Button3->setText(kCheckCaption);
    ui_->Button4->setEnabled(true);
    ui_->ProgressBar1->setValue(0);
    if (closePending_)
        QTimer::singleShot(0, this, &QWidget::close);
}

void TMainForm::Button3Click()
{
    if (ui_->Button3->text() == kStopCaption) {
        CancelRequested = 1;
        return;
    }
    const std::string source = PathBytes(ui_->Edit1->text());
    const std::string target = PathBytes(ui_->Edit2->text());
    if (const auto warning = ValidatePaths(source, target)) {
        WarningBox(this, QString::fromStdString(*warning));
        return;
    }

    // The idle state comes back whichever way the command leaves, a failure
    // inside the comparison included.
    const auto idle = qScopeGuard([this] { RestoreIdle(); });
    const std::int64_t sourceSize = FileSizeOf(source);
    const std::int64_t targetSize = FileSizeOf(target);
    if (sourceSize != targetSize) {
        outcome_ = {false, kSizeMismatchElapsed};
    } else {
        EnterBusy();
        QElapsedTimer clock;
        clock.start();
        outcome_.SameFile = false;
        BarProgress progress(*ui_->ProgressBar1);
        const bool same = CompareFiles(source, target, sourceSize, progress);
        if (!same && CancelRequested == 1) {
            if (!closePending_)
                WarningBox(this, QString::fromUtf8(kCancelledMessage));
            return;
        }
        outcome_.SameFile = same;
        outcome_.ElapsedSeconds = ElapsedFromMilliseconds(clock.elapsed());
    }
    ShowVerdict();
}

void TMainForm::ShowVerdict()
{
    KekkaForm = new TKekkaForm(outcome_, this);
    OkOnlyDialog::ShowThenRelease(KekkaForm);
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // A close during a comparison stops it first; the window closes once the
    // Check command has unwound, so nothing touches a closed window.
    if (busy_) {
        closePending_ = true;
        CancelRequested = 1;
        event->ignore();
        return;
    }
    closePending_ = false;
    QMainWindow::closeEvent(event);
}

void TMainForm::BringForward()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void TMainForm::ApplicationEvents1Exception(QObject * /*sender*/, const QString &message)
{
    ShowErrorBox(message);
}

} // namespace mvx::ui
