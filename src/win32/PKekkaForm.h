// The verdict window: the drawn mark, the verdict and the time, and OK.
#pragma once

#include "check/ComparisonOutcome.h"
#include "win32/DialogWindow.h"
#include "win32/Handles.h"

namespace mvx::win32 {

class TKekkaForm final : public DialogWindow {
public:
    explicit TKekkaForm(const ComparisonOutcome &outcome);

    // Shows the outcome modally and returns once OK has closed the window.
    void ShowModal(HWND owner);

    // The mark on its white square with a black frame, 80 x 80 at 96 DPI and
    // scaled with its pens at dpi: a red circle for identical files, a red
    // cross for different ones.
    static OwnedBitmap DrawMark(bool sameFile, int dpi);

private:
    bool Message(UINT message, WPARAM wParam, LPARAM lParam) override;
    void LayOut(int dpi) override;
    void FormShow();
    void ButOkClick();
    // The mark at the window's DPI, in place of the one it showed.
    void ShowMark();
    void ReleaseMark();

    ComparisonOutcome outcome_;
    OwnedBitmap mark_;
};

} // namespace mvx::win32
