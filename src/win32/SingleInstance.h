// Makes sure one instance runs for the user's logon session. The first start
// holds a named mutex that only Morvatix makes; a later start hands the first
// one's main window, found by its own window class, its two paths (when it
// was started with two, as Explorer's Send To starts it), brings it forward
// and ends.
// A window title proves nothing: any window may be called "Morvatix".
#pragma once

#include "win32/Handles.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mvx::win32 {

class SingleInstance {
public:
    // name: the mutex's name; tests pass their own.
    explicit SingleInstance(std::wstring name = DefaultName()) : name_(std::move(name)) {}

    // True when this start is the first, or when no mutex can be made at
    // all; false when the running instance was brought forward, or holds the
    // mutex (or one this start may not open) but showed no window in time or
    // its window does not answer or refuses (then Unanswered() is true).
    // paths: this start's parameters.
    bool Claim(const std::vector<std::string> &paths = {});
    [[nodiscard]] bool Unanswered() const { return unanswered_; }

    // In the session's own namespace, and the user's: another user who runs
    // the program in the same session has an instance of their own.
    static std::wstring DefaultName();

private:
    std::wstring name_;
    OwnedHandle mutex_;
    bool unanswered_ = false;
};

// The two paths of a later start, as the running instance's main window
// receives them (WM_COPYDATA's lParam); nothing when the data is not such a
// message, or not there at all: any program may send this window anything.
std::optional<std::pair<std::wstring, std::wstring>> HandedOverPaths(const COPYDATASTRUCT *data);

// Restores the running instance's main window if it is minimised and brings
// it, or the window it shows modally, to the front.
void BringForward(HWND mainWindow);

} // namespace mvx::win32
