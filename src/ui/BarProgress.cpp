#include "ui/BarProgress.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionProgressBar>

#include <algorithm>

namespace mvx::ui {

void BarProgress::SetRange(int minimum, int maximum)
{
    // A Qt bar whose range is empty turns into an endlessly running busy
    // indicator; an empty file pair shows an empty bar instead.
    bar_.setRange(minimum, std::max(maximum, minimum + 1));
    minimum_ = bar_.minimum();
    maximum_ = bar_.maximum();
    MeasureBar();
}

void BarProgress::SetPosition(int position)
{
    // A large file moves the bar by a fraction of a pixel per block, while
    // each setValue costs signals, an accessibility notice and style queries.
    // So the bar hears of a position only when the filled part could look
    // different: at half-pixel steps, which both a rounding and a truncating
    // style draw exactly as they would with every block, and always at the ends.
    if (bar_.size() != measuredFor_)
        MeasureBar();
    const std::int64_t step =
        steps_ == 0 ? position
                    : (std::int64_t{position} - minimum_) * steps_ / (std::int64_t{maximum_} - minimum_);
    if (step == shownStep_ && position != minimum_ && position != maximum_)
        return;
    shownStep_ = step;
    bar_.setValue(position);
}

void BarProgress::MeasureBar()
{
    measuredFor_ = bar_.size();
    shownStep_ = -1;
    steps_ = 0;
    // A bar with text shows the value itself, which may change with every block.
    if (bar_.isTextVisible())
        return;
    QStyleOptionProgressBar option;
    option.initFrom(&bar_);
    option.minimum = minimum_;
    option.maximum = maximum_;
    option.progress = bar_.value();
    const bool horizontal = bar_.orientation() == Qt::Horizontal;
    if (horizontal)
        option.state |= QStyle::State_Horizontal;
    const QRect contents = bar_.style()->subElementRect(QStyle::SE_ProgressBarContents, &option, &bar_);
    steps_ = std::int64_t{2} * std::max(horizontal ? contents.width() : contents.height(), 1);
}

void BarProgress::ProcessEvents()
{
    QCoreApplication::processEvents();
}

} // namespace mvx::ui
