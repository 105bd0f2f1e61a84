// What every front end shares about a check besides its flow: the validation
// of the two path texts, the comparison outcome and how messages and the
// verdict read.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace mvx {

// The outcome of the last check. ElapsedSeconds counts ten-thousandths.
struct ComparisonOutcome {
    bool SameFile = false;
    std::int64_t ElapsedSeconds = 0;
};

// A size mismatch is answered at once, with this smallest visible time.
inline constexpr std::int64_t kSizeMismatchElapsed = 1;

inline constexpr const char *kCancelledMessage = "キャンセルされました";

// What every window front end shows alike: the Check button's caption while
// a comparison runs, the Warning box's caption, and the manual that Help
// opens beside the program, or the warning when it is not there.
inline constexpr const char *kStopCaption = "ストップ";
inline constexpr const char *kWarningCaption = "警告";
inline constexpr const char *kReadmeName = "Readme.txt";
inline constexpr const char *kReadmeMissingMessage = "Readme.txtが存在しません";

// The warning for the first problem with the two path texts, in the order the
// user is told of them, or nothing when both name different existing files.
// The texts are compared as the bytes they are.
std::optional<std::string> ValidatePaths(const std::string &source, const std::string &target);

// ElapsedSeconds for a whole number of milliseconds.
constexpr std::int64_t ElapsedFromMilliseconds(std::int64_t milliseconds)
{
    return milliseconds * 10;
}

// Up to four fraction digits, no trailing zeros, no separator for a whole number.
std::string FormatSeconds(std::int64_t elapsed, const std::string &decimalSeparator);

// The verdict's two lines, without the indentation the verdict window adds.
std::string VerdictLine(bool sameFile);
std::string TimeLine(std::int64_t elapsed, const std::string &decimalSeparator);

// A failure's message as the Error box shows it: a period is added unless the
// text is empty or its last byte is at most '.' (line breaks, blanks, "!" to
// "."). The last byte of a multi-byte UTF-8 character always lies above, so
// such a character always gets the period.
std::string WithClosingPeriod(const std::string &message);

// What the Error box says of a failure: its own message, or a general one
// for a failure that carries none.
std::string FailureMessage(const std::exception_ptr &failure);

} // namespace mvx
