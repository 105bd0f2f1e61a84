#include "cli/TerminalProgress.h"

#include "check/DecimalSeparator.h"
#include "check/WaitingText.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace mvx::cmp {

namespace {

constexpr int kCells = 40;
// How long a comparison runs before its rate says anything.
constexpr auto kRateAfter = std::chrono::seconds(1);

// The columns a terminal gives the text: one for each ASCII character, two
// for each other, all of which are wide ones here.
std::size_t Columns(std::string_view text)
{
    std::size_t columns = 0;
    for (const char c : text)
        if ((c & 0xC0) != 0x80)
            columns += (c & 0x80) == 0 ? 1 : 2;
    return columns;
}

// Megabytes (of a million bytes, as a disk's maker counts them) a second, to
// a tenth, with the decimal separator the verdict's time has.
std::string RateText(double bytesPerSecond)
{
    const long long tenths = std::llround(bytesPerSecond / 100000);
    return std::to_string(tenths / 10) + DecimalSeparator() + std::to_string(tenths % 10) + " MB/s";
}

std::string TimeLeftText(long long seconds)
{
    char text[32];
    if (seconds >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    return std::string("残り ") + text;
}

} // namespace

TerminalProgress::TerminalProgress(StandardStream stream) : stream_(stream), enabled_(IsConsole(stream)) {}

TerminalProgress::~TerminalProgress()
{
    Clear();
}

void TerminalProgress::Progress(std::int64_t done, std::int64_t total)
{
    done_ = done;
    total_ = total;
    if (!started_) {
        started_ = true;
        start_ = Clock::now();
        ratePace_.Restart(start_);
    }
    if (enabled_)
        Show(MeasureRate(Clock::now()));
}

void TerminalProgress::Files(std::int64_t done, std::int64_t known)
{
    files_ = std::to_string(done) + "/" + std::to_string(known) + " ファイル";
}

bool TerminalProgress::MeasureRate(Clock::time_point now)
{
    const auto elapsed = now - start_;
    if (total_ == 0 || elapsed < kRateAfter || !ratePace_.Due(now))
        return false;
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const double rate = static_cast<double>(done_) / seconds;
    std::string text = RateText(rate);
    if (rate > 0)
        text += "  " + TimeLeftText(std::llround(static_cast<double>(total_ - done_) / rate));
    if (text == rate_)
        return false;
    rate_ = std::move(text);
    return true;
}

void TerminalProgress::WaitingForDevice(bool waiting)
{
    if (waiting == waiting_)
        return;
    waiting_ = waiting;
    // A line that is wiped or shorter leaves nothing of the notice behind.
    if (enabled_ && shownCells_ >= 0) {
        Clear();
        Show(true);
    }
}

void TerminalProgress::Show(bool always)
{
    if (!enabled_)
        return;
    // Nothing to compare has nothing left to do: it shows full.
    const double fraction = total_ == 0 ? 1.0
                                        : static_cast<double>(std::clamp<std::int64_t>(done_, 0, total_)) /
                                              static_cast<double>(total_);
    const auto cells = static_cast<int>(fraction * kCells);
    const auto percent = static_cast<int>(fraction * 100);
    if (cells == shownCells_ && percent == shownPercent_ && files_ == shownFiles_ && !always)
        return;
    shownFiles_ = files_;
    shownCells_ = cells;
    shownPercent_ = percent;
    line_.assign("\r[");
    line_.append(static_cast<std::size_t>(cells), '#');
    line_.append(static_cast<std::size_t>(kCells - cells), '.');
    line_.append("] ");
    const std::string number = std::to_string(percent);
    line_.append(3 - std::min<std::size_t>(number.size(), 3), ' ').append(number).append("%");
    if (!files_.empty())
        line_.append("  ").append(files_);
    // While a read waits for its device, the wait is the news; the rate
    // comes back with the next block.
    if (waiting_)
        line_.append(" ").append(kWaitingForDeviceText);
    else if (!rate_.empty())
        line_.append("  ").append(rate_);
    // A shorter line covers what the last one left.
    const std::size_t columns = Columns(line_) - 1;
    line_.append(columns_ > columns ? columns_ - columns : 0, ' ');
    columns_ = std::max(columns_, columns);
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
    columns_ = 0;
}

} // namespace mvx::cmp
