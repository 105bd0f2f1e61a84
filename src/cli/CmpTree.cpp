#include "cli/CmpTree.h"

#include "check/CheckCommand.h"
#include "check/ComparisonOutcome.h"
#include "check/DecimalSeparator.h"
#include "check/FailureText.h"
#include "check/UpdatePace.h"
#include "check/VerdictText.h"
#include "cli/CmpTexts.h"
#include "cli/Console.h"
#include "cli/InterruptStop.h"
#include "cli/TerminalProgress.h"
#include "compare/TreeCompare.h"

#include <chrono>
#include <stop_token>

namespace mvx::cmp {

namespace {

// The comparison's front end on a terminal: differences on standard output,
// what could not be read on standard error, the bar there too when it is a
// terminal.
class TreeView final : public TreeProgress {
public:
    TreeView(char lineEnd, std::stop_source &stop) : lineEnd_(lineEnd), stop_(stop) {}

    [[nodiscard]] bool Written() const { return written_; }

    void Found(const TreeFinding &finding) override
    {
        progress_.Clear();
        if (finding.what == TreeFinding::What::Unreadable)
            WriteText(StandardStream::Error, NamedFailureText(finding.failure) + "\n");
        else
            Write(FindingLine(finding));
    }

    void Progress(TreeCount done, TreeCount met, bool waiting) override
    {
        if (!pace_.Due(UpdatePace::Clock::now()))
            return;
        progress_.Files(done.files, met.files);
        progress_.WaitingForDevice(waiting);
        progress_.Progress(done.bytes, met.bytes);
    }

    void ProcessEvents() override { TakeCancel(stop_); }

    void Write(const std::string &line)
    {
        progress_.Clear();
        written_ = WriteText(StandardStream::Output, line + lineEnd_) && written_;
    }

private:
    char lineEnd_;
    std::stop_source &stop_;
    TerminalProgress progress_{StandardStream::Error};
    UpdatePace pace_;
    bool written_ = true;
};

} // namespace

int RunTree(const std::string &source, const std::string &target, ReadPath readPath, char lineEnd)
{
    CancelRequested = 0;
    const InterruptStop interrupt;
    std::stop_source stop;
    TreeView view(lineEnd, stop);
    const auto start = std::chrono::steady_clock::now();
    const TreeOutcome outcome = CompareTrees(source, target, stop.get_token(), readPath, view);
    if (outcome.stopped) {
        WriteText(StandardStream::Error, std::string(kCancelledMessage) + "\n");
        return kStatusStopped;
    }
    // Nothing unread differed, but what was not read may have: no verdict.
    if (outcome.differences == 0 && outcome.unreadable > 0)
        return kStatusTrouble;
    const TenThousandths elapsed = ElapsedFromClock(std::chrono::steady_clock::now() - start);
    view.Write(VerdictLine(outcome.differences == 0));
    view.Write(TimeLine(elapsed, DecimalSeparator()));
    if (!view.Written()) {
        WriteText(StandardStream::Error, "morvatix-cmp: cannot write the differences\n");
        return kStatusTrouble;
    }
    if (outcome.unreadable > 0)
        return kStatusTrouble;
    return outcome.differences == 0 ? kStatusIdentical : kStatusDifferent;
}

} // namespace mvx::cmp
