#include "CmpCheck.h"

#include "Check.h"
#include "CmpTexts.h"
#include "Compare.h"
#include "CompareError.h"
#include "InterruptStop.h"
#include "TerminalProgress.h"

#include <chrono>
#include <clocale>
#include <cstdio>
#include <exception>

namespace mvx::cmp {

namespace {

void Warn(const char *message)
{
    std::fprintf(stderr, "%s\n", message);
}

// The verdict window's two lines, the time with the user's decimal separator
// as the window writes it (LC_ALL=C gives a script a point).
int PrintVerdict(const ComparisonOutcome &outcome)
{
    std::setlocale(LC_NUMERIC, "");
    const std::string separator = std::localeconv()->decimal_point;
    std::setlocale(LC_NUMERIC, "C");
    std::printf("%s\n%s\n", VerdictLine(outcome.SameFile).c_str(),
                TimeLine(outcome.ElapsedSeconds, separator).c_str());
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        Warn("morvatix-cmp: cannot write the verdict");
        return kStatusTrouble;
    }
    return outcome.SameFile ? kStatusIdentical : kStatusDifferent;
}

// False when the comparison was stopped.
bool RunComparison(const std::string &source, const std::string &target, std::int64_t size,
                   ComparisonOutcome &outcome)
{
    const InterruptStop stop;
    TerminalProgress progress(stderr);
    const auto start = std::chrono::steady_clock::now();
    const bool same = CompareFiles(source, target, size, progress);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    progress.Clear();
    // The comparison clears CancelRequested as it starts, so a Ctrl-C that
    // came just before would be lost; the handler remembers it too.
    if ((!same && CancelRequested == 1) || InterruptStop::Interrupted())
        return false;
    outcome.SameFile = same;
    outcome.ElapsedSeconds =
        ElapsedFromMilliseconds(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    return true;
}

} // namespace

int RunCheck(const std::string &source, const std::string &target)
{
    if (const auto warning = ValidatePaths(source, target)) {
        Warn(warning->c_str());
        return kStatusTrouble;
    }
    try {
        const std::int64_t sourceSize = FileSizeOf(source);
        const std::int64_t targetSize = FileSizeOf(target);
        ComparisonOutcome outcome;
        if (sourceSize != targetSize) {
            outcome = {false, kSizeMismatchElapsed};
        } else if (!RunComparison(source, target, sourceSize, outcome)) {
            Warn(kCancelledMessage);
            return kStatusStopped;
        }
        return PrintVerdict(outcome);
    } catch (const std::exception &failure) {
        Warn(failure.what());
        return kStatusTrouble;
    }
}

} // namespace mvx::cmp
