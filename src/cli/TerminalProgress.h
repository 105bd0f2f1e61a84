// The comparison's progress as a text bar on a terminal.
#pragma once

#include "check/UpdatePace.h"
#include "cli/Console.h"

#include <cstdint>
#include <string>

namespace mvx::cmp {

// Draws on the stream only when it is a terminal or a console, so that a pipe
// or a log file receives nothing but messages. Once a comparison has run a
// second, the line also shows the rate and the time left, a few times a
// second. The line is rewritten only when what it shows changes, and wiped
// again when the object goes away.
class TerminalProgress final {
public:
    explicit TerminalProgress(StandardStream stream);
    ~TerminalProgress();
    TerminalProgress(const TerminalProgress &) = delete;
    TerminalProgress &operator=(const TerminalProgress &) = delete;

    // Bytes done of the bytes in all; the first call starts the clock.
    void Progress(std::int64_t done, std::int64_t total);
    // Files done of those known, for a comparison of many.
    void Files(std::int64_t done, std::int64_t known);
    // Says so after the percentage.
    void WaitingForDevice(bool waiting);

    // Removes the bar from the terminal, before a message or the verdict.
    void Clear();

private:
    using Clock = UpdatePace::Clock;

    void Show(bool always = false);
    // The rate and the time left now; true when their text changed.
    bool MeasureRate(Clock::time_point now);

    StandardStream stream_;
    bool enabled_;
    std::int64_t done_ = 0;
    std::int64_t total_ = 0;
    bool started_ = false;
    std::string files_;
    std::string shownFiles_;
    int shownCells_ = -1;
    int shownPercent_ = -1;
    bool waiting_ = false;
    std::string line_;
    // The terminal's columns that the line takes.
    std::size_t columns_ = 0;
    Clock::time_point start_;
    UpdatePace ratePace_;
    std::string rate_;
};

} // namespace mvx::cmp
