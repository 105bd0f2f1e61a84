// What the main window does alike in every toolkit: Check and Stop with the
// busy and idle states, a close during a comparison, the focus after
// browsing, and the comparison on the task bar or dock. Each toolkit's
// TMainForm derives from it and only reads and draws its widgets, through the
// few operations below.
#pragma once

#include "check/CheckCommand.h"
#include "check/CheckView.h"
#include "check/TaskBarProgress.h"

#include <string>

namespace mvx {

// The two path fields, Edit1 and Edit2.
enum class PathField { Source, Target };

class MainWindowRules : public CheckView {
public:
    MainWindowRules() = default;
    MainWindowRules(const MainWindowRules &) = delete;
    MainWindowRules &operator=(const MainWindowRules &) = delete;

    // Browse for the source or the target.
    void Button1Click() { Browse(PathField::Source); }
    void Button2Click() { Browse(PathField::Target); }
    // Check, or Stop while a comparison runs.
    void Button3Click() { command_.Button3Click(); }

    // The outcome of the last check, read by the verdict window.
    [[nodiscard]] const ComparisonOutcome &Outcome() const { return command_.Outcome(); }
    // The Check button's caption is the window's mode: busy while it reads Stop.
    bool IsBusy() final;

    // The enabled state of MenuHelp, MenuVer, Button1 and Button2, set in
    // that order.
    virtual void SetCommandsEnabled(bool enabled) = 0;

    // The comparison's progress and its waits, drawn by the toolkit and told
    // to the task bar or dock.
    void Progress(std::int64_t done, std::int64_t total) final;
    void WaitingForDevice(bool waiting) final;

protected:
    // A request to close the window (close box, system menu, Exit): true when
    // it may close now. During a comparison it asks the comparison to stop
    // instead, and the window closes once the Check command has unwound, so
    // that nothing touches a closed window.
    [[nodiscard]] bool MayClose();
    // The entry that a comparison is shown on besides the window's own bar.
    void AttachTaskBar(TaskBarEntry *entry) { taskBar_.Attach(entry); }

    // The widgets, as each toolkit reads and draws them. Texts are UTF-8.
    // The bar: bytes done of the bytes in all.
    virtual void DrawProgress(std::int64_t done, std::int64_t total) = 0;
    // After a second without an answer from the device, and once it answers.
    virtual void DrawWaiting(bool waiting) = 0;
    virtual std::string CheckCaption() = 0;
    virtual void SetCheckCaption(const std::string &caption) = 0;
    virtual void SetExitEnabled(bool enabled) = 0;
    virtual void ResetBar() = 0;
    // Asks for a close that comes once the event loop has the window again.
    virtual void CloseLater() = 0;
    virtual void ShowWarning(const std::string &message) = 0;
    // The verdict window, modal; returns once the user has dismissed it.
    virtual void OpenVerdictWindow(const ComparisonOutcome &outcome) = 0;
    // OpenDialog1 for one field, which takes the name the user confirms.
    virtual void ChooseFile(PathField field) = 0;
    virtual void FocusCheck() = 0;

private:
    void EnterBusy() final;
    void RestoreIdle() final;
    void Warn(const std::string &message) final;
    void ShowVerdict(const ComparisonOutcome &outcome) final;
    void Browse(PathField field);

    CheckCommand command_{*this};
    TaskBarProgress taskBar_;
    // The caption that Check had before it read Stop.
    std::string idleCaption_;
    bool closePending_ = false;
};

} // namespace mvx
