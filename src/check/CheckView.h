// What the Check command needs from the front end that runs it: the two path
// texts, a warning, the busy and idle states, progress with event
// processing, and the verdict. A window draws these; the command line
// prints them.
#pragma once

#include "check/ComparisonOutcome.h"
#include "compare/Compare.h"

#include <string>

namespace mvx {

class CheckView : public CompareProgress {
public:
    // The paths as the exact bytes the file layer opens.
    virtual std::string SourcePath() = 0;
    virtual std::string TargetPath() = 0;

    // True while a comparison runs: the Check button has become Stop.
    virtual bool IsBusy() = 0;
    virtual void EnterBusy() = 0;
    // Commands enabled again, the button back to Check, the bar at 0.
    virtual void RestoreIdle() = 0;

    // An expected problem; returns once the user has seen it.
    virtual void Warn(const std::string &message) = 0;
    // Returns once the user has dismissed the verdict.
    virtual void ShowVerdict(const ComparisonOutcome &outcome) = 0;
};

} // namespace mvx
