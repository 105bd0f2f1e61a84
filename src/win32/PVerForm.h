// The version window: the program's name and version, the home page and the
// mail address as links, and OK.
#pragma once

#include "win32/DialogWindow.h"

#include <string>

namespace mvx::win32 {

class TVerForm final : public DialogWindow {
public:
    TVerForm();

    // Shows the window modally and returns once OK has closed it.
    void ShowModal(HWND owner);

private:
    bool Message(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormShow();
    void Label3Click();
    void Label5Click();
    void Button1Click();
    void HandToShell(const std::wstring &target);
    [[nodiscard]] bool IsLink(HWND control) const;
};

} // namespace mvx::win32
