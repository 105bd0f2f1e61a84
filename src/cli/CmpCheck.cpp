#include "cli/CmpCheck.h"

#include "check/CheckCommand.h"
#include "check/CheckView.h"
#include "check/DecimalSeparator.h"
#include "check/FailureText.h"
#include "check/PathValidation.h"
#include "check/VerdictText.h"
#include "cli/CmpTexts.h"
#include "cli/CmpTree.h"
#include "cli/Console.h"
#include "cli/InterruptStop.h"
#include "cli/TerminalProgress.h"
#include "compare/Folder.h"
#include "compare/ReadQueue.h"

#include <chrono>
#include <exception>
#include <memory>
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
    ConsoleView(std::string source, std::string target, char lineEnd)
        : source_(std::move(source)), target_(std::move(target)), lineEnd_(lineEnd)
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
        std::string text = VerdictLine(outcome.SameFile) + lineEnd_ +
                           TimeLine(outcome.ElapsedSeconds, DecimalSeparator()) + lineEnd_;
        if (outcome.FirstDifference)
            text += FirstDifferenceLine(*outcome.FirstDifference) + lineEnd_;
        verdictWritten_ = WriteText(StandardStream::Output, text);
    }

private:
    std::string source_;
    std::string target_;
    char lineEnd_;
    TerminalProgress progress_{StandardStream::Error};
    // Ctrl-C asks for a stop only while a comparison runs; before and after
    // it ends the program as usual.
    std::optional<InterruptStop> stop_;
    bool verdictWritten_ = false;
};

// Whether each path names a folder, and whether the other names a file.
struct Kinds {
    bool sourceFolder = false;
    bool targetFolder = false;
    bool otherIsFile = false;
};

// Gives up the look-up on Ctrl-C, however long its device keeps it.
class Interruptible final : public Waiting {
public:
    explicit Interruptible(std::stop_source &stop) : stop_(stop) {}
    void Slice(std::chrono::steady_clock::duration) override { TakeCancel(stop_); }
    void Answered() override {}

private:
    std::stop_source &stop_;
};

// The paths' kinds, looked up on a reader thread; nothing after Ctrl-C.
std::optional<Kinds> KindsOf(const CmpRequest &request)
{
    CancelRequested = 0;
    const InterruptStop interrupt;
    std::stop_source stop;
    Interruptible waiting(stop);
    ReadQueue queue(stop.get_token());
    auto kinds = std::make_shared<Kinds>();
    const bool answered = queue.Run(
        [kinds, source = request.source, target = request.target](const std::stop_token &) {
            kinds->sourceFolder = IsExistingFolder(source);
            kinds->targetFolder = IsExistingFolder(target);
            if (kinds->sourceFolder != kinds->targetFolder)
                kinds->otherIsFile = IsExistingFile(kinds->sourceFolder ? target : source);
        },
        waiting);
    return answered ? std::optional(*kinds) : std::nullopt;
}

int RunCheck(const CmpRequest &request)
{
    ConsoleView view(request.source, request.target, request.lineEnd);
    CheckCommand command(view, request.readPath);
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

} // namespace

int RunCompare(const CmpRequest &request)
{
    const std::optional<Kinds> kinds = KindsOf(request);
    if (!kinds) {
        Warn(kCancelledMessage);
        return kStatusStopped;
    }
    const auto [sourceFolder, targetFolder, otherIsFile] = *kinds;
    if (sourceFolder && targetFolder && request.source != request.target)
        return RunTree(request.source, request.target, request.readPath, request.lineEnd);
    // A folder against anything else is neither two files nor two trees.
    if (sourceFolder != targetFolder) {
        if (otherIsFile)
            Warn(kFolderAgainstFileMessage);
        else
            Warn(*MissingFileWarning(sourceFolder ? FilePair::Opening::NoTarget
                                                  : FilePair::Opening::NoSource));
        return kStatusTrouble;
    }
    return RunCheck(request);
}

} // namespace mvx::cmp
