#include "ui/MVX.h"

#include "check/Guarded.h"
#include "check/Identity.h"
#include "check/WaitingText.h"
#include "check/WindowTexts.h"
#include "compare/FileLayer.h"
#include "ui/BarProgress.h"
#include "ui/Boxes.h"
#include "ui/PKekkaForm.h"
#include "ui/PVerForm.h"
#include "ui/PathText.h"
#include "ui_MVX.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <optional>

namespace mvx::ui {

namespace {

// The exact name of the first item of a drop, or nothing when it is not a
// local file.
std::string FirstDroppedPath(const QMimeData *data)
{
    if (data == nullptr || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    return urls.isEmpty() ? std::string() : PathOfUrl(urls.constFirst());
}

// Qt's own file dialog lists names as text, so a name that is not UTF-8 comes
// back with U+FFFD where its bytes were. The folder then tells which name was
// meant, unless several names look the same: nothing is taken then.
std::optional<std::string> ExactChosenName(const std::string &chosen)
{
    const std::size_t slash = chosen.rfind('/');
    const QString shown = QFile::decodeName(QByteArray::fromStdString(chosen));
    if (!shown.contains(QChar::ReplacementCharacter) || slash == std::string::npos)
        return chosen;
    const std::string folder = chosen.substr(0, slash + 1);
    const QString name = QFile::decodeName(QByteArray::fromStdString(chosen.substr(slash + 1)));
    std::vector<std::string> matches;
    for (const std::string &entry : FolderEntryNames(folder))
        if (QFile::decodeName(QByteArray::fromStdString(entry)) == name)
            matches.push_back(entry);
    if (matches.empty())
        return chosen;
    if (matches.size() == 1)
        return folder + matches.front();
    return std::nullopt;
}

} // namespace

TMainForm::TMainForm(std::vector<std::string> parameters, QWidget *parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::TMainForm>()), parameters_(std::move(parameters))
{
    ui_->setupUi(this);
    FormCreate();
}

TMainForm::~TMainForm() = default;

template <typename Sender> void TMainForm::Handle(Sender *sender, void (TMainForm::*command)())
{
    const auto run = [this, command] { Guarded([this, command] { (this->*command)(); }); };
    if constexpr (std::is_base_of_v<QAction, Sender>)
        connect(sender, &QAction::triggered, this, run);
    else
        connect(sender, &QAbstractButton::clicked, this, run);
}

void TMainForm::FormCreate()
{
    setWindowTitle(QString::fromUtf8(kProgramTitle));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The layout's own size and widths, before anything has been resized.
    const QSize laidOut = size();
    sizeRule_.emplace(PixelSize{laidOut.width(), laidOut.height()}, laidOut.width(), ui_->Edit1->width(),
                      ui_->ProgressBar1->width());
    const int menuHeight = ui_->MainMenu1->geometry().height();
    ui_->MainMenu1->setFixedHeight(menuHeight);
    ui_->ClientArea->setMinimumWidth(laidOut.width());
    ui_->ClientArea->setFixedHeight(laidOut.height() - menuHeight);
    setMinimumWidth(laidOut.width());
    setFixedHeight(laidOut.height());

    progress_ = std::make_unique<BarProgress>(*ui_->ProgressBar1);
    AttachTaskBar(&launcherEntry_);

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
        Guarded([this] { FormShow(); });
    }
}

void TMainForm::FormShow()
{
    // Qt's progress bars are drawn continuously already; nothing to switch.
    ui_->Edit1->clear();
    ui_->Edit2->clear();
    if (parameters_.size() == 2) {
        ui_->Edit1->setText(PathToText(parameters_.at(0)));
        ui_->Edit2->setText(PathToText(parameters_.at(1)));
    }
    CentreOnScreen(*this);
    ui_->Button1->setFocus();
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    Guarded([this] { FormResize(); });
}

void TMainForm::FormResize()
{
    // Size limits are only hints to a window manager; without one, or
    // against one that ignores them, the window goes back by itself.
    if (const auto corrected = sizeRule_->Corrected({width(), height()})) {
        resize(corrected->width, corrected->height);
        return;
    }
    const int clientWidth = width();
    for (QWidget *field : {static_cast<QWidget *>(ui_->Edit1), static_cast<QWidget *>(ui_->Edit2)})
        field->resize(sizeRule_->FieldWidth(clientWidth), field->height());
    ui_->ProgressBar1->resize(sizeRule_->BarWidth(clientWidth), ui_->ProgressBar1->height());
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    auto *field = qobject_cast<QLineEdit *>(watched);
    if (field == nullptr || (field != ui_->Edit1 && field != ui_->Edit2))
        return QMainWindow::eventFilter(watched, event);
    bool handled = false;
    Guarded([&] { handled = FilterDrop(*field, *event); });
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
        if (FirstDroppedPath(drag->mimeData()).empty())
            drag->ignore();
        else
            drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(&event);
        if (!drop->mimeData()->hasUrls())
            break;
        const std::string path = FirstDroppedPath(drop->mimeData());
        if (!path.empty()) {
            field.setText(PathToText(path));
            drop->acceptProposedAction();
        }
        return true;
    }
    default:
        break;
    }
    return false;
}

QLineEdit &TMainForm::Field(PathField field) const
{
    return field == PathField::Source ? *ui_->Edit1 : *ui_->Edit2;
}

void TMainForm::ChooseFile(PathField field)
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
    if (!lastConfirmed_.empty())
        OpenDialog1->selectFile(QFile::decodeName(QByteArray::fromStdString(lastConfirmed_)));
    if (OpenDialog1->exec() == QDialog::Accepted && !OpenDialog1->selectedUrls().isEmpty()) {
        if (const auto chosen = ExactChosenName(PathOfUrl(OpenDialog1->selectedUrls().constFirst()))) {
            lastConfirmed_ = *chosen;
            Field(field).setText(PathToText(*chosen));
        } else {
            QApplication::beep();
        }
    }
}

void TMainForm::FocusCheck()
{
    ui_->Button3->setFocus();
}

void TMainForm::Button4Click()
{
    close();
}

void TMainForm::MenuHelpClick()
{
    const QString path = QCoreApplication::applicationDirPath() + u'/' + QString::fromUtf8(kReadmeName);
    if (!IsExistingFile(QFile::encodeName(path).toStdString())) {
        WarningBox(this, QString::fromUtf8(kReadmeMissingMessage));
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

std::string TMainForm::SourcePath()
{
    return TextToPath(ui_->Edit1->text());
}

std::string TMainForm::TargetPath()
{
    return TextToPath(ui_->Edit2->text());
}

std::string TMainForm::CheckCaption()
{
    return ui_->Button3->text().toStdString();
}

void TMainForm::SetCheckCaption(const std::string &caption)
{
    ui_->Button3->setText(QString::fromStdString(caption));
}

void TMainForm::SetExitEnabled(bool enabled)
{
    ui_->Button4->setEnabled(enabled);
}

void TMainForm::ResetBar()
{
    ui_->ProgressBar1->setValue(0);
}

void TMainForm::CloseLater()
{
    QTimer::singleShot(0, this, &QWidget::close);
}

void TMainForm::ShowWarning(const std::string &message)
{
    WarningBox(this, QString::fromStdString(message));
}

void TMainForm::OpenVerdictWindow(const ComparisonOutcome &outcome)
{
    KekkaForm = new TKekkaForm(outcome, this);
    OkOnlyDialog::ShowThenRelease(KekkaForm);
}

void TMainForm::DrawProgress(std::int64_t done, std::int64_t total)
{
    progress_->Progress(done, total);
}

void TMainForm::ProcessEvents()
{
    BarProgress::ProcessEvents();
}

// Nothing moves and no text changes: the Stop button and the bar say it in
// their tooltips, and the pointer over the window shows that the program
// works on and still takes clicks.
void TMainForm::DrawWaiting(bool waiting)
{
    progress_->WaitingForDevice(waiting);
    ui_->Button3->setToolTip(waiting ? QString::fromUtf8(kWaitingForDeviceText) : QString());
    if (waiting)
        setCursor(Qt::BusyCursor);
    else
        unsetCursor();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (!MayClose()) {
        event->ignore();
        return;
    }
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

void TMainForm::FillPathsWhenIdle(const std::string &source, const std::string &target)
{
    if (IsBusy())
        return;
    ui_->Edit1->setText(PathToText(source));
    ui_->Edit2->setText(PathToText(target));
}

} // namespace mvx::ui
