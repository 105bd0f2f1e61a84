// The main window's task-bar button, told of a comparison through the
// shell's own interface: the bar's fraction, normal while reading, paused
// while a read waits for its device, as the window's bar shows it. Where
// there is no task bar (or no shell to keep one), nothing is told.
#pragma once

#include "check/TaskBarProgress.h"

#include <memory>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

struct ITaskbarList3;

namespace mvx::win32 {

class TaskBarButton final : public TaskBarEntry {
public:
    TaskBarButton() = default;
    ~TaskBarButton() override;
    TaskBarButton(const TaskBarButton &) = delete;
    TaskBarButton &operator=(const TaskBarButton &) = delete;

    void Attach(HWND window) { window_ = window; }
    void Show(const TaskBarState &state) override;

private:
    // The shell's object, made when it is first needed; null when the
    // system has none.
    ITaskbarList3 *TaskBar();

    HWND window_ = nullptr;
    bool tried_ = false;
    bool comStarted_ = false;
    ITaskbarList3 *taskBar_ = nullptr;
};

} // namespace mvx::win32
