// The verdict window: the drawn mark, the verdict and the time, and OK.
#pragma once

#include "check/ComparisonOutcome.h"
#include "win32/DialogWindow.h"
#include "win32/Handles.h"
#include "win32/PixelLayout.h"

namespace mvx::win32 {

class TKekkaForm final : public DialogWindow {
public:
    explicit TKekkaForm(const ComparisonOutcome &outcome) : outcome_(outcome) {}

    // Shows the outcome modally and returns once OK has closed the window.
    void ShowModal(HWND owner);

    // The mark on its 80 x 80 white square with a black frame: a red circle
    // for identical files, a red cross for different ones.
    static OwnedBitmap DrawMark(bool sameFile);

private:
    bool Message(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormShow();
    void ButOkClick();
    void ReleaseMark();

    ComparisonOutcome outcome_;
    PixelLayout layout_;
    OwnedBitmap mark_;
};

} // namespace mvx::win32
