// Shows the comparison's progress on a progress bar and keeps the window
// responsive between blocks.
#pragma once

#include "check/BarSteps.h"

#include <cstdint>

#include <QSize>

class QProgressBar;

namespace mvx::ui {

class BarProgress final {
public:
    explicit BarProgress(QProgressBar &bar) : bar_(bar) {}
    // Bytes done of the bytes in all; 0 done starts a comparison.
    void Progress(std::int64_t done, std::int64_t total);
    static void ProcessEvents();
    // Says so in the bar's tooltip.
    void WaitingForDevice(bool waiting);

private:
    void MeasureBar();

    QProgressBar &bar_;
    BarSteps steps_;
    // The bar's size when its drawn extent was last measured.
    QSize measuredFor_;
};

} // namespace mvx::ui
