#include "check/CheckCommand.h"

#include "check/CheckView.h"
#include "check/PathValidation.h"
#include "compare/Compare.h"

#include <chrono>

namespace mvx {

namespace {

constexpr const char *kCancelledMessage = "キャンセルされました";

// Whichever way the command leaves, a failure inside the comparison
// included, the view comes back idle and usable.
class IdleOnExit {
public:
    explicit IdleOnExit(CheckView &view) : view_(view) {}
    ~IdleOnExit() { view_.RestoreIdle(); }
    IdleOnExit(const IdleOnExit &) = delete;
    IdleOnExit &operator=(const IdleOnExit &) = delete;

private:
    CheckView &view_;
};

// The view while the files are looked up and opened: it turns busy before
// the first events are processed, so that a click on the button while a
// device keeps the look-up waiting is a Stop, and a close waits for the
// check to end. A look-up that answers at once processes none.
class BusyWhenWaiting final : public CompareProgress {
public:
    explicit BusyWhenWaiting(CheckView &view) : view_(view) {}
    [[nodiscard]] bool Busy() const { return busy_; }

    void SetRange(int minimum, int maximum) override { view_.SetRange(minimum, maximum); }
    void SetPosition(int position) override { view_.SetPosition(position); }
    void ProcessEvents() override { view_.ProcessEvents(); }
    void ProcessEventsWhileWaiting() override
    {
        if (!busy_) {
            busy_ = true;
            view_.EnterBusy();
        }
        view_.ProcessEventsWhileWaiting();
    }
    void WaitingForDevice(bool waiting) override { view_.WaitingForDevice(waiting); }

private:
    CheckView &view_;
    bool busy_ = false;
};

} // namespace

CheckEnd CheckCommand::Button3Click()
{
    if (view_.IsBusy()) {
        CancelRequested = 1;
        return CheckEnd::StopRequested;
    }
    const std::string source = view_.SourcePath();
    const std::string target = view_.TargetPath();
    if (const auto warning = ValidatePathTexts(source, target)) {
        view_.Warn(*warning);
        return CheckEnd::Warned;
    }

    const IdleOnExit idle(view_);
    BusyWhenWaiting lookingUp(view_);
    FilePair files(readPath_);
    const FilePair::Opening opening = files.Open(source, target, lookingUp);
    if (opening == FilePair::Opening::Stopped) {
        view_.Warn(kCancelledMessage);
        return CheckEnd::Stopped;
    }
    if (const auto warning = MissingFileWarning(opening)) {
        view_.Warn(*warning);
        return CheckEnd::Warned;
    }
    if (files.SizesDiffer()) {
        outcome_ = {false, kSizeMismatchElapsed};
    } else {
        if (!lookingUp.Busy())
            view_.EnterBusy();
        const auto start = std::chrono::steady_clock::now();
        outcome_.SameFile = false;
        const bool same = files.CompareFiles(view_);
        if (!same && CancelRequested == 1) {
            view_.Warn(kCancelledMessage);
            return CheckEnd::Stopped;
        }
        outcome_.SameFile = same;
        outcome_.FirstDifference = files.FirstDifference();
        outcome_.ElapsedSeconds = ElapsedFromClock(std::chrono::steady_clock::now() - start);
    }
    view_.ShowVerdict(outcome_);
    return outcome_.SameFile ? CheckEnd::Identical : CheckEnd::Different;
}

} // namespace mvx
