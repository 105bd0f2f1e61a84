// The main window: the two path fields with their browse buttons, the
// Check/Stop and Exit buttons, the progress bar and the menu bar.
#pragma once

#include "ApplicationEvents.h"
#include "Check.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <memory>

class QFileDialog;
class QLineEdit;

namespace Ui {
class TMainForm;
}

namespace mvx::ui {

class TKekkaForm;
class TVerForm;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // parameters: the program's command-line parameters after its own name.
    explicit TMainForm(QStringList parameters = {}, QWidget *parent = nullptr);
    ~TMainForm() override;

    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void MenuHelpClick();
    void MenuVerClick();
    void SetCommandsEnabled(bool enabled);
    void ApplicationEvents1Exception(QObject *sender, const QString &message);

    // What a second start asks of the running instance: restored, raised, active.
    void BringForward();

    // The outcome of the last check, read by the verdict window.
    [[nodiscard]] const ComparisonOutcome &Outcome() const { return outcome_; }
    [[nodiscard]] bool IsBusy() const { return busy_; }

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
    void EnterBusy();
    void RestoreIdle();
    void ShowVerdict();
    template <typename Sender> void Handle(Sender *sender, void (TMainForm::*command)());

    std::unique_ptr<Ui::TMainForm> ui_;
    TApplicationEvents *ApplicationEvents1 = nullptr;
    QFileDialog *OpenDialog1 = nullptr;
    QPointer<TKekkaForm> KekkaForm;
    QPointer<TVerForm> VerForm;
    QString lastConfirmed_;
    QStringList parameters_;
    ComparisonOutcome outcome_;
    bool shownOnce_ = false;
    bool busy_ = false;
    bool closePending_ = false;
};

} // namespace mvx::ui
