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

} // namespace

CheckEnd CheckCommand::Button3Click()
{
    if (view_.IsBusy()) {
        CancelRequested = 1;
        return CheckEnd::StopRequested;
    }
    const std::string source = view_.SourcePath();
    const std::string target = view_.TargetPath();
    if (const auto warning = ValidatePaths(source, target)) {
        view_.Warn(*warning);
        return CheckEnd::Warned;
    }

    const IdleOnExit idle(view_);
    const std::int64_t sourceSize = FileSizeOf(source);
    const std::int64_t targetSize = FileSizeOf(target);
    if (sourceSize != targetSize) {
        outcome_ = {false, kSizeMismatchElapsed};
    } else {
        view_.EnterBusy();
        const auto start = std::chrono::steady_clock::now();
        outcome_.SameFile = false;
        const bool same = CompareFiles(source, target, sourceSize, view_);
        if (!same && CancelRequested == 1) {
            view_.Warn(kCancelledMessage);
            return CheckEnd::Stopped;
        }
        outcome_.SameFile = same;
        outcome_.ElapsedSeconds = ElapsedFromClock(std::chrono::steady_clock::now() - start);
    }
    view_.ShowVerdict(outcome_);
    return outcome_.SameFile ? CheckEnd::Identical : CheckEnd::Different;
}

} // namespace mvx
