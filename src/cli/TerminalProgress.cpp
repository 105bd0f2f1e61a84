#include "cli/TerminalProgress.h"

#include <algorithm>
#include <cstdint>

namespace mvx::cmp {

namespace {

constexpr int kCells = 40;

} // namespace

TerminalProgress::TerminalProgress(StandardStream stream) : stream_(stream), enabled_(IsConsole(stream)) {}

TerminalProgress::~TerminalProgress()
{
    Clear();
}

void TerminalProgress::SetRange(int minimum, int maximum)
{
    minimum_ = minimum;
    maximum_ = std::max(maximum, minimum);
    Show(minimum);
}

void TerminalProgress::SetPosition(int position)
{
    if (enabled_)
        Show(position);
}

void TerminalProgress::Show(int position)
{
    if (!enabled_)
        return;
    const std::int64_t span = std::int64_t{maximum_} - minimum_;
    const std::int64_t done = std::clamp<std::int64_t>(std::int64_t{position} - minimum_, 0, span);
    // An empty range has nothing left to do: it shows full.
    const int cells = span == 0 ? kCells : static_cast<int>(done * kCells / span);
    const int percent = span == 0 ? 100 : static_cast<int>(done * 100 / span);
    if (cells == shownCells_ && percent == shownPercent_)
        return;
    shownCells_ = cells;
    shownPercent_ = percent;
    line_.assign("\r[");
    line_.append(static_cast<std::size_t>(cells), '#');
    line_.append(static_cast<std::size_t>(kCells - cells), '.');
    line_.append("] ");
    const std::string number = std::to_string(percent);
    line_.append(3 - std::min<std::size_t>(number.size(), 3), ' ').append(number).append("%");
    WriteText(stream_, line_);
}

void TerminalProgress::Clear()
{
    if (shownCells_ < 0)
        return;
    // Back to the start of the line, blanks over the bar, and back again.
    std::string wipe(line_.size() + 1, ' ');
    wipe.front() = '\r';
    wipe.back() = '\r';
    WriteText(stream_, wipe);
    shownCells_ = -1;
    shownPercent_ = -1;
}

} // namespace mvx::cmp
