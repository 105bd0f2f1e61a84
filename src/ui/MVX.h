// The main window: the two path fields with their browse buttons, the
// Check/Stop and Exit buttons, the progress bar and the menu bar.
#pragma once

#include "check/CheckCommand.h"
#include "check/CheckView.h"

#include <QMainWindow>
#include <QPointer>
#include <QSize>

#include <memory>
#include <string>
#include <vector>

class QFileDialog;
class QLineEdit;

namespace Ui {
class TMainForm;
}

namespace mvx::ui {

class BarProgress;
class TKekkaForm;
class TVerForm;

class TMainForm : public QMainWindow, private CheckView {
    Q_OBJECT
public:
    // parameters: the program's command-line parameters after its own name.
    explicit TMainForm(std::vector<std::string> parameters = {}, QWidget *parent = nullptr);
    ~TMainForm() override;

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void MenuHelpClick();
    void MenuVerClick();
    void SetCommandsEnabled(bool enabled);

    // What a second start asks of the running instance: restored, raised, active.
    void BringForward();
    // The two paths of a second start, taken as the command line's would be;
    // a window that is checking keeps the paths it is comparing.
    void FillPathsWhenIdle(const std::string &source, const std::string &target);

    // The outcome of the last check, read by the verdict window.
    [[nodiscard]] const ComparisonOutcome &Outcome() const { return command_.Outcome(); }
    // The Check button reads Stop while a comparison runs.
    [[nodiscard]] bool IsBusy() override;

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormShow();
    void FormResize();
    bool FilterDrop(QLineEdit &field, QEvent &event);
    void Browse(QLineEdit &field);
    template <typename Sender> void Handle(Sender *sender, void (TMainForm::*command)());

    // The check's view of this window.
    std::string SourcePath() override;
    std::string TargetPath() override;
    void EnterBusy() override;
    void RestoreIdle() override;
    void Warn(const std::string &message) override;
    void ShowVerdict(const ComparisonOutcome &outcome) override;
    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    void ProcessEvents() override;

    std::unique_ptr<Ui::TMainForm> ui_;
    std::unique_ptr<BarProgress> progress_;
    CheckCommand command_{*this};
    QFileDialog *OpenDialog1 = nullptr;
    QPointer<TKekkaForm> KekkaForm;
    QPointer<TVerForm> VerForm;
    QString checkCaption_;
    QSize designedSize_;
    std::string lastConfirmed_;
    std::vector<std::string> parameters_;
    bool shownOnce_ = false;
    bool closePending_ = false;
};

} // namespace mvx::ui
