#include "cli/CmpCheck.h"

#include "check/CheckCommand.h"
#include "check/CheckView.h"
#include "check/DecimalSeparator.h"
#include "check/FailureText.h"
#include "check/VerdictText.h"
#include "cli/CmpTexts.h"
#include "cli/Console.h"
#include "cli/InterruptStop.h"
#include "cli/TerminalProgress.h"

#include <exception>
#include <optional>

namespace mvx::cmp {

namespace {

void Warn(const std::string &message)
{
    WriteText(StandardStream::Error, message + "\n");
}

// The check's front end on a terminal: messages on standard error, the bar
// there too when it is a terminal, the verdict on standard output.
class ConsoleView final : public CheckView {
public:
    ConsoleView(std::string source, std::string target)
        : source_(std::move(source)), target_(std::move(target))
    {}

    [[nodiscard]] bool VerdictWritten() const { return verdictWritten_; }

    std::string SourcePath() override { return source_; }
    std::string TargetPath() override { return target_; }
    bool IsBusy() override { return false; }

    void EnterBusy() override { stop_.emplace(); }
    void RestoreIdle() override
    {
        progress_.Clear();
        stop_.reset();
    }

    void Progress(std::int64_t done, std::int64_t total) override { progress_.Progress(done, total); }
    void WaitingForDevice(bool waiting) override { progress_.WaitingForDevice(waiting); }
    // Ctrl-C arrives as a signal and sets CancelRequested itself.
    void ProcessEvents() override {}

    void Warn(const std::string &message) override
    {
        progress_.Clear();
        cmp::Warn(message);
    }

    // The verdict window's two lines, the time with the user's decimal
    // separator as the window writes it (LC_ALL=C gives a script a point).
    void ShowVerdict(const ComparisonOutcome &outcome) override
    {
        progress_.Clear();
        std::string text = VerdictLine(outcome.SameFile) + "\n" +
                           TimeLine(outcome.ElapsedSeconds, DecimalSeparator()) + "\n";
        if (outcome.FirstDifference)
            text += FirstDifferenceLine(*outcome.FirstDifference);
        verdictWritten_ = WriteText(StandardStream::Output, text);
    }

private:
    std::string source_;
    std::string target_;
    TerminalProgress progress_{StandardStream::Error};
    // Ctrl-C asks for a stop only while a comparison runs; before and after
    // it ends the program as usual.
    std::optional<InterruptStop> stop_;
    bool verdictWritten_ = false;
};

} // namespace

int RunCheck(const std::string &source, const std::string &target, ReadPath readPath)
{
    ConsoleView view(source, target);
    CheckCommand command(view, readPath);
    try {
        switch (command.Button3Click()) {
        case CheckEnd::Stopped:
            return kStatusStopped;
        case CheckEnd::Identical:
        case CheckEnd::Different:
            if (!view.VerdictWritten()) {
                Warn("morvatix-cmp: cannot write the verdict");
                return kStatusTrouble;
            }
            return command.Outcome().SameFile ? kStatusIdentical : kStatusDifferent;
        case CheckEnd::Warned:
        case CheckEnd::StopRequested:
            break;
        }
    } catch (...) {
        Warn(FailureMessage(std::current_exception()));
    }
    return kStatusTrouble;
}

} // namespace mvx::cmp
