// Shows the comparison's progress on a progress bar and keeps the window
// responsive between blocks.
#pragma once

#include "Compare.h"

class QProgressBar;

namespace mvx::ui {

class BarProgress final : public CompareProgress {
public:
    explicit BarProgress(QProgressBar &bar) : bar_(bar) {}
    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;
    void ProcessEvents() override;

private:
    QProgressBar &bar_;
};

} // namespace mvx::ui
