#include "check/CheckCommand.h"

#include "check/CheckView.h"
#include "check/PathValidation.h"
#include "compare/Compare.h"

#include <chrono>
#include <stop_token>

namespace mvx {

std::atomic<unsigned char> CancelRequested{0};

void TakeCancel(std::stop_source &stop)
{
    if (CancelRequested == 1)
        stop.request_stop();
}

namespace {

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

// The view as the engine sees it during one check. CancelRequested, set
// while the view's events are processed, becomes the check's one stop
// request. While the files are looked up and opened, the view turns busy
// before the first events are processed, so that a click on the button while
// a device keeps the look-up waiting is a Stop, and a close waits for the
// check to end; a look-up that answers at once processes none.
class CheckProgress final : public CompareProgress {
public:
    CheckProgress(CheckView &view, std::stop_source &stop) : view_(view), stop_(stop) {}

    void EnterBusy()
    {
        if (!busy_) {
            busy_ = true;
            view_.EnterBusy();
        }
    }

    void Progress(std::int64_t done, std::int64_t total) override { view_.Progress(done, total); }
    void ProcessEvents() override
    {
        view_.ProcessEvents();
        TakeStop();
    }
    void ProcessEventsWhileWaiting() override
    {
        EnterBusy();
        view_.ProcessEventsWhileWaiting();
        TakeStop();
    }
    void WaitingForDevice(bool waiting) override { view_.WaitingForDevice(waiting); }

private:
    void TakeStop() { TakeCancel(stop_); }

    CheckView &view_;
    std::stop_source &stop_;
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

    CancelRequested = 0;
    const IdleOnExit idle(view_);
    std::stop_source stop;
    CheckProgress progress(view_, stop);
    ReadQueue queue(stop.get_token());
    FilePair files(queue, readPath_);
    const FilePair::Opening opening = files.Open(source, target, progress);
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
        progress.EnterBusy();
        const auto start = std::chrono::steady_clock::now();
        outcome_.SameFile = false;
        const FilePair::Verdict verdict = files.CompareFiles(progress);
        if (verdict == FilePair::Verdict::Stopped) {
            view_.Warn(kCancelledMessage);
            return CheckEnd::Stopped;
        }
        outcome_.SameFile = verdict == FilePair::Verdict::Identical;
        outcome_.FirstDifference = files.FirstDifference();
        outcome_.ElapsedSeconds = ElapsedFromClock(std::chrono::steady_clock::now() - start);
    }
    view_.ShowVerdict(outcome_);
    return outcome_.SameFile ? CheckEnd::Identical : CheckEnd::Different;
}

} // namespace mvx
