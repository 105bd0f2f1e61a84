// The comparison's progress as a text bar on a terminal.
#pragma once

#include "check/UpdatePace.h"
#include "cli/Console.h"
#include "compare/Compare.h"

#include <cstdint>
#include <string>

namespace mvx::cmp {

// Draws on the stream only when it is a terminal or a console, so that a pipe
// or a log file receives nothing but messages. Once a comparison has run a
// second, the line also shows the rate and the time left, a few times a
// second. The line is rewritten only when what it shows changes, and wiped
// again when the object goes away.
class TerminalProgress final : public CompareProgress {
public:
    explicit TerminalProgress(StandardStream stream);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress &) = delete;
    TerminalProgress &operator=(const TerminalProgress &) = delete;

    // The bytes of each file that the comparison reads, for its rate; the
    // rate is left out while they are not known.
    void SetLength(std::int64_t bytes) override { length_ = bytes; }

    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    // Nothing to service between blocks: Ctrl-C arrives as a signal.
    void ProcessEvents() override {}
    // Says so after the percentage.
    void WaitingForDevice(bool waiting) override;

    // Removes the bar from the terminal, before a message or the verdict.
    void Clear();

private:
    using Clock = UpdatePace::Clock;

    void Show(int position, bool always = false);
    // The rate and the time left at this position; true when their text changed.
    bool MeasureRate(int position, Clock::time_point now);

    StandardStream stream_;
    bool enabled_;
    int minimum_ = 0;
    int maximum_ = 0;
    int shownCells_ = -1;
    int shownPercent_ = -1;
    int position_ = 0;
    bool waiting_ = false;
    std::string line_;
    // The terminal's columns that the line takes.
    std::size_t columns_ = 0;
    std::int64_t length_ = -1;
    Clock::time_point started_;
    UpdatePace ratePace_;
    std::string rate_;
};

} // namespace mvx::cmp
