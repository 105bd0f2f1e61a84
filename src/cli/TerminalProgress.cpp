#include "cli/TerminalProgress.h"

#include <algorithm>
#include <cstdint>
#include <unistd.h>

namespace mvx::cmp {

namespace {

constexpr int kCells = 40;

} // namespace

TerminalProgress::TerminalProgress(std::FILE *stream)
    : stream_(stream), enabled_(::isatty(::fileno(stream)) == 1)
{}

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
    std::fputs(line_.c_str(), stream_);
    std::fflush(stream_);
}

void TerminalProgress::Clear()
{
    if (shownCells_ < 0)
        return;
    // Back to the start of the line, blanks over the bar, and back again.
    const std::string blank(line_.size() - 1, ' ');
    std::fprintf(stream_, "\r%s\r", blank.c_str());
    std::fflush(stream_);
    shownCells_ = -1;
    shownPercent_ = -1;
}

} // namespace mvx::cmp
