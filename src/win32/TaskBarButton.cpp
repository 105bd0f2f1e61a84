#include "win32/TaskBarButton.h"

#include <cmath>
#include <objbase.h>
#include <shobjidl.h>

namespace mvx::win32 {

namespace {

// The button's bar is as fine as the window's: a pixel is far coarser.
constexpr ULONGLONG kSteps = 10000;

} // namespace

TaskBarButton::~TaskBarButton()
{
    if (taskBar_ != nullptr)
        taskBar_->Release();
    if (comStarted_)
        CoUninitialize();
}

ITaskbarList3 *TaskBarButton::TaskBar()
{
    if (tried_)
        return taskBar_;
    tried_ = true;
    // The window's thread, a single-threaded apartment as the shell's
    // objects expect; the program's other parts do not care.
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    comStarted_ = SUCCEEDED(started);
    ITaskbarList3 *made = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   reinterpret_cast<void **>(&made)))) {
        if (SUCCEEDED(made->HrInit()))
            taskBar_ = made;
        else
            made->Release();
    }
    return taskBar_;
}

void TaskBarButton::Show(const TaskBarState &state)
{
    ITaskbarList3 *taskBar = TaskBar();
    if (taskBar == nullptr || window_ == nullptr)
        return;
    if (!state.visible) {
        taskBar->SetProgressState(window_, TBPF_NOPROGRESS);
        return;
    }
    taskBar->SetProgressValue(window_, static_cast<ULONGLONG>(std::llround(state.fraction * kSteps)), kSteps);
    taskBar->SetProgressState(window_, state.paused ? TBPF_PAUSED : TBPF_NORMAL);
}

} // namespace mvx::win32
