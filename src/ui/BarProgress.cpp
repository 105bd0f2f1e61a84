#include "ui/BarProgress.h"

#include "check/WaitingText.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionProgressBar>

namespace mvx::ui {

void BarProgress::Progress(std::int64_t done, std::int64_t total)
{
    if (done == 0 || total != steps_.Total()) {
        // A Qt bar whose range is empty would turn into an endlessly running
        // busy indicator; the steps' range never is.
        steps_.SetTotal(total);
        bar_.setRange(0, steps_.Maximum());
        MeasureBar();
    } else if (bar_.size() != measuredFor_) {
        MeasureBar();
    }
    if (steps_.Tell(done))
        bar_.setValue(steps_.Value(done));
}

void BarProgress::MeasureBar()
{
    measuredFor_ = bar_.size();
    // A bar with text shows the value itself, which may change with every block.
    if (bar_.isTextVisible()) {
        steps_.TellEveryPosition();
        return;
    }
    QStyleOptionProgressBar option;
    option.initFrom(&bar_);
    option.minimum = bar_.minimum();
    option.maximum = bar_.maximum();
    option.progress = bar_.value();
    const bool horizontal = bar_.orientation() == Qt::Horizontal;
    if (horizontal)
        option.state |= QStyle::State_Horizontal;
    const QRect contents = bar_.style()->subElementRect(QStyle::SE_ProgressBarContents, &option, &bar_);
    steps_.SetLength(horizontal ? contents.width() : contents.height());
}

void BarProgress::ProcessEvents()
{
    QCoreApplication::processEvents();
}

void BarProgress::WaitingForDevice(bool waiting)
{
    bar_.setToolTip(waiting ? QString::fromUtf8(kWaitingForDeviceText) : QString());
}

} // namespace mvx::ui
