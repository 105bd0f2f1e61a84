// Shows the comparison's progress on a progress bar and keeps the window
// responsive between blocks.
#pragma once

#include "compare/Compare.h"

#include <QSize>

#include <cstdint>

class QProgressBar;

namespace mvx::ui {

class BarProgress final : public CompareProgress {
public:
    explicit BarProgress(QProgressBar &bar) : bar_(bar) {}
    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    void ProcessEvents() override;

private:
    void MeasureBar();

    QProgressBar &bar_;
    int minimum_ = 0;
    int maximum_ = 1;
    // The bar's size when its drawn extent was last measured.
    QSize measuredFor_;
    // Half pixels across the bar's contents; 0 when every value must reach it.
    std::int64_t steps_ = 0;
    std::int64_t shownStep_ = -1;
};

} // namespace mvx::ui
