// Shows the comparison's progress on a progress bar and keeps the window
// responsive between blocks.
#pragma once

#include "check/BarSteps.h"
#include "compare/Compare.h"

#include <QSize>

class QProgressBar;

namespace mvx::ui {

class BarProgress final : public CompareProgress {
public:
    explicit BarProgress(QProgressBar &bar) : bar_(bar) {}
    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    void ProcessEvents() override;
    // Says so in the bar's tooltip.
    void WaitingForDevice(bool waiting) override;

private:
    void MeasureBar();

    QProgressBar &bar_;
    BarSteps steps_;
    // The bar's size when its drawn extent was last measured.
    QSize measuredFor_;
};

} // namespace mvx::ui
