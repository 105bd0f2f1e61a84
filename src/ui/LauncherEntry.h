// The program's entry in a Linux dock or task manager (KDE Plasma's, Ubuntu's
// dock, Dash to Dock), told of a comparison through the launcher-entry signal
// that they listen for on the session bus. Without a session bus nothing is
// told, and nothing is said about it.
#pragma once

#include "check/TaskBarProgress.h"

namespace mvx::ui {

class LauncherEntry final : public TaskBarEntry {
public:
    void Show(const TaskBarState &state) override;
};

} // namespace mvx::ui
