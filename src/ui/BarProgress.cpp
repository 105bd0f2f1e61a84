#include "ui/BarProgress.h"

#include "check/WaitingText.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionProgressBar>

namespace mvx::ui {

void BarProgress::SetRange(int minimum, int maximum)
{
    // A Qt bar whose range is empty would turn into an endlessly running
    // busy indicator; the steps' range never is.
    steps_.SetRange(minimum, maximum);
    bar_.setRange(steps_.Minimum(), steps_.Maximum());
    MeasureBar();
}

void BarProgress::SetPosition(int position)
{
    if (bar_.size() != measuredFor_)
        MeasureBar();
    if (steps_.Tell(position))
        bar_.setValue(position);
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
