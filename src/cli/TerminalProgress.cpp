#include "cli/TerminalProgress.h"

#include "check/WaitingText.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace mvx::cmp {

namespace {

constexpr int kCells = 40;

// The columns a terminal gives the text: two for each of its characters, all
// of them wide ones.
std::size_t WideColumns(std::string_view text)
{
    return 2 * static_cast<std::size_t>(
                   std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

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

void TerminalProgress::WaitingForDevice(bool waiting)
{
    if (waiting == waiting_)
        return;
    waiting_ = waiting;
    // A line that is wiped or shorter leaves nothing of the notice behind.
    if (enabled_ && shownCells_ >= 0) {
        Clear();
        Show(position_, true);
    }
}

void TerminalProgress::Show(int position, bool always)
{
    if (!enabled_)
        return;
    position_ = position;
    const std::int64_t span = std::int64_t{maximum_} - minimum_;
    const std::int64_t done = std::clamp<std::int64_t>(std::int64_t{position} - minimum_, 0, span);
    // An empty range has nothing left to do: it shows full.
    const int cells = span == 0 ? kCells : static_cast<int>(done * kCells / span);
    const int percent = span == 0 ? 100 : static_cast<int>(done * 100 / span);
    if (cells == shownCells_ && percent == shownPercent_ && !always)
        return;
    shownCells_ = cells;
    shownPercent_ = percent;
    line_.assign("\r[");
    line_.append(static_cast<std::size_t>(cells), '#');
    line_.append(static_cast<std::size_t>(kCells - cells), '.');
    line_.append("] ");
    const std::string number = std::to_string(percent);
    line_.append(3 - std::min<std::size_t>(number.size(), 3), ' ').append(number).append("%");
    columns_ = line_.size() - 1;
    if (waiting_) {
        line_.append(" ").append(kWaitingForDeviceText);
        columns_ += 1 + WideColumns(kWaitingForDeviceText);
    }
    WriteText(stream_, line_);
}

void TerminalProgress::Clear()
{
    if (shownCells_ < 0)
        return;
    // Back to the start of the line, blanks over the bar, and back again.
    std::string wipe(columns_ + 2, ' ');
    wipe.front() = '\r';
    wipe.back() = '\r';
    WriteText(stream_, wipe);
    shownCells_ = -1;
    shownPercent_ = -1;
}

} // namespace mvx::cmp
