#include "BarProgress.h"

#include <QCoreApplication>
#include <QProgressBar>

#include <algorithm>

namespace mvx::ui {

void BarProgress::SetRange(int minimum, int maximum)
{
    // A Qt bar whose range is empty turns into an endlessly running busy
    // indicator; an empty file pair shows an empty bar instead.
    bar_.setRange(minimum, std::max(maximum, minimum + 1));
}

void BarProgress::SetPosition(int position)
{
    bar_.setValue(position);
}

void BarProgress::ProcessEvents()
{
    QCoreApplication::processEvents();
}

} // namespace mvx::ui
