#include "check/MainWindowRules.h"

#include "check/WindowTexts.h"

namespace mvx {

bool MainWindowRules::IsBusy()
{
    return CheckCaption() == kStopCaption;
}

bool MainWindowRules::MayClose()
{
    if (IsBusy()) {
        closePending_ = true;
        CancelRequested = 1;
        return false;
    }
    closePending_ = false;
    return true;
}

void MainWindowRules::Progress(std::int64_t done, std::int64_t total)
{
    DrawProgress(done, total);
    taskBar_.Progress(done, total);
}

void MainWindowRules::WaitingForDevice(bool waiting)
{
    DrawWaiting(waiting);
    taskBar_.WaitingForDevice(waiting);
}

void MainWindowRules::EnterBusy()
{
    idleCaption_ = CheckCaption();
    SetCommandsEnabled(false);
    SetCheckCaption(kStopCaption);
    SetExitEnabled(false);
}

void MainWindowRules::RestoreIdle()
{
    SetCommandsEnabled(true);
    // After a size mismatch the window was never busy: Check kept its caption.
    if (IsBusy())
        SetCheckCaption(idleCaption_);
    SetExitEnabled(true);
    ResetBar();
    taskBar_.End();
    if (closePending_)
        CloseLater();
}

void MainWindowRules::Warn(const std::string &message)
{
    // A stop's warning ends the comparison's showing on the task bar.
    taskBar_.End();
    // A window that is closing owes no report of the stop its closing asked for.
    if (!closePending_)
        ShowWarning(message);
}

void MainWindowRules::ShowVerdict(const ComparisonOutcome &outcome)
{
    taskBar_.End();
    OpenVerdictWindow(outcome);
}

void MainWindowRules::Browse(PathField field)
{
    ChooseFile(field);
    // Whether or not a name was chosen: with both fields filled, Enter or
    // Space starts the check.
    if (!SourcePath().empty() && !TargetPath().empty())
        FocusCheck();
}

} // namespace mvx
