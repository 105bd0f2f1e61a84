// The Check command: what a click on the Check/Stop button does, for every
// front end.
#pragma once

#include "check/ComparisonOutcome.h"
#include "compare/FileLayer.h"

#include <atomic>
#include <stop_token>

namespace mvx {

class CheckView;

// Set to 1 to stop the running check: Stop, a close during a comparison,
// Ctrl-C. Looked at after each block that compared equal and while a file
// operation waits for its device; cleared as a check starts. Atomic, so that
// a signal handler may set it too.
extern std::atomic<unsigned char> CancelRequested;

// CancelRequested, once set, becomes the running check's one stop request.
void TakeCancel(std::stop_source &stop);

// What the user is told of a comparison that was stopped.
inline constexpr const char *kCancelledMessage = "キャンセルされました";

// How one click ended.
enum class CheckEnd {
    StopRequested, // the click was on Stop: the running comparison will end
    Warned,        // a problem with the paths was reported; nothing was compared
    Stopped,       // the comparison was stopped and "キャンセルされました" shown
    Identical,     // every byte compared and agreed
    Different,     // two sizes that differ included
};

class CheckCommand {
public:
    // readPath: where the bytes come from; a window always reads the devices.
    explicit CheckCommand(CheckView &view, ReadPath readPath = ReadPath::Device)
        : view_(view), readPath_(readPath)
    {}

    // Validates the two paths, compares the sizes and then the contents with
    // the view busy, and shows the verdict. A file that cannot be opened or
    // read raises FileError, after the view is idle again. A look-up or an
    // open that keeps the device waiting turns the view busy early, so that
    // Stop is there to give it up.
    CheckEnd Button3Click();

    // The outcome of the last finished check, for the program's whole run.
    [[nodiscard]] const ComparisonOutcome &Outcome() const { return outcome_; }

private:
    CheckView &view_;
    ReadPath readPath_;
    ComparisonOutcome outcome_;
};

} // namespace mvx
