// The main window: the two path fields with their browse buttons, the
// Check/Stop and Exit buttons, the progress bar and the menu bar.
#pragma once

#include "check/MainWindowRules.h"
#include "check/SizeRule.h"
#include "ui/LauncherEntry.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>
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

class TMainForm : public QMainWindow, public MainWindowRules {
    Q_OBJECT
public:
    // parameters: the program's command-line parameters after its own name.
    explicit TMainForm(std::vector<std::string> parameters = {}, QWidget *parent = nullptr);
    ~TMainForm() override;

    void Button4Click();
    void MenuHelpClick();
    void MenuVerClick();
    void SetCommandsEnabled(bool enabled) override;

    // What a second start asks of the running instance: restored, raised, active.
    void BringForward();
    // The two paths of a second start, taken as the command line's would be;
    // a window that is checking keeps the paths it is comparing.
    void FillPathsWhenIdle(const std::string &source, const std::string &target);

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
    QLineEdit &Field(PathField field) const;
    template <typename Sender> void Handle(Sender *sender, void (TMainForm::*command)());

    // What the check and the window's rules read and draw.
    std::string SourcePath() override;
    std::string TargetPath() override;
    void OpenVerdictWindow(const ComparisonOutcome &outcome) override;
    void DrawProgress(std::int64_t done, std::int64_t total) override;
    void ProcessEvents() override;
    void DrawWaiting(bool waiting) override;
    std::string CheckCaption() override;
    void SetCheckCaption(const std::string &caption) override;
    void SetExitEnabled(bool enabled) override;
    void ResetBar() override;
    void CloseLater() override;
    void ShowWarning(const std::string &message) override;
    void ChooseFile(PathField field) override;
    void FocusCheck() override;

    std::unique_ptr<Ui::TMainForm> ui_;
    std::unique_ptr<BarProgress> progress_;
    LauncherEntry launcherEntry_;
    std::optional<SizeRule> sizeRule_;
    QFileDialog *OpenDialog1 = nullptr;
    QPointer<TKekkaForm> KekkaForm;
    QPointer<TVerForm> VerForm;
    std::string lastConfirmed_;
    std::vector<std::string> parameters_;
    bool shownOnce_ = false;
};

} // namespace mvx::ui
