#include "win32/PKekkaForm.h"

#include "check/DecimalSeparator.h"
#include "check/VerdictText.h"
#include "win32/Boxes.h"
#include "win32/Resource.h"
#include "win32/ScreenDpi.h"
#include "win32/WindowText.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace mvx::win32 {

namespace {

constexpr int kMarkSize = 80;
constexpr int kMarkInset = 5;
constexpr int kMarkPenWidth = 7;
constexpr int kFramePenWidth = 1;
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
const std::string kIndent = "     ";

} // namespace

TKekkaForm::TKekkaForm(const ComparisonOutcome &outcome)
    : DialogWindow(IDD_TKekkaForm, TemplateSize::Client), outcome_(outcome)
{}

void TKekkaForm::ShowModal(HWND owner)
{
    DialogWindow::ShowModal(owner);
}

OwnedBitmap TKekkaForm::DrawMark(bool sameFile, int dpi)
{
    const int size = Scaled(kMarkSize, dpi);
    const int inset = Scaled(kMarkInset, dpi);
    // 24 bits a pixel: a static control shows such a bitmap as it is, where
    // one with an alpha channel could be copied and drawn blended.
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size;
    format.bmiHeader.biHeight = -size;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 24;
    format.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    OwnedBitmap image(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    const OwnedMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!image || !dc)
        throw std::runtime_error("判定結果の図を作成できません");
    const Selected onImage(dc.get(), image.get());
    const Selected whiteFill(dc.get(), GetStockObject(WHITE_BRUSH));
    {
        // Inside the square, however wide: a pen of one pixel draws there anyway.
        const OwnedPen frame(CreatePen(PS_INSIDEFRAME, Scaled(kFramePenWidth, dpi), kBlack));
        const Selected pen(dc.get(), frame.get());
        Rectangle(dc.get(), 0, 0, size, size);
    }
    const OwnedPen red(CreatePen(PS_SOLID, Scaled(kMarkPenWidth, dpi), kRed));
    const Selected pen(dc.get(), red.get());
    const int opposite = size - inset;
    if (sameFile) {
        Ellipse(dc.get(), inset, inset, opposite, opposite);
    } else {
        MoveToEx(dc.get(), inset, inset, nullptr);
        LineTo(dc.get(), opposite, opposite);
        MoveToEx(dc.get(), opposite, inset, nullptr);
        LineTo(dc.get(), inset, opposite);
    }
    return image;
}

bool TKekkaForm::Message(UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    switch (message) {
    case WM_INITDIALOG:
        FormShow();
        // The focus is set: the dialog manager is not to move it.
        return false;
    case WM_COMMAND:
        // Only OK closes the window: it has no close box, and Escape does nothing.
        if (LOWORD(wParam) == IDC_ButOk && HIWORD(wParam) == BN_CLICKED)
            ButOkClick();
        return true;
    case WM_DESTROY:
        ReleaseMark();
        return false;
    default:
        return false;
    }
}

void TKekkaForm::LayOut(int dpi)
{
    DialogWindow::LayOut(dpi);
    ShowMark();
}

void TKekkaForm::FormShow()
{
    CentreOnScreen(window_);
    const std::string text = kIndent + VerdictLine(outcome_.SameFile) + "\r\n" + kIndent +
                             TimeLine(outcome_.ElapsedSeconds, DecimalSeparator());
    SetWindowTextW(Item(IDC_Memo1), Wide(text).c_str());
    // A screen reader names the mark by its control's text, which a picture
    // control never draws. The system's own handling keeps the text, where
    // the control's would take it for the name of a picture to load.
    const std::wstring verdict = Wide(VerdictLine(outcome_.SameFile));
    DefWindowProcW(Item(IDC_Image1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(verdict.c_str()));
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_ButOk)), TRUE);
    MessageBeep(0);
}

void TKekkaForm::ButOkClick()
{
    EndDialog(window_, IDOK);
}

void TKekkaForm::ShowMark()
{
    OwnedBitmap mark = DrawMark(outcome_.SameFile, layout_.Dpi());
    const auto shown = FromMessage<HBITMAP>(
        SendMessageW(Item(IDC_Image1), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(mark.get())));
    if (shown != nullptr && shown != mark_.get())
        DeleteObject(shown);
    mark_ = std::move(mark);
}

void TKekkaForm::ReleaseMark()
{
    // The control gives back what it showed; should it have made a copy of
    // the mark, that copy is its to lose and ours to delete.
    const auto shown = FromMessage<HBITMAP>(SendMessageW(Item(IDC_Image1), STM_SETIMAGE, IMAGE_BITMAP, 0));
    if (shown != nullptr && shown != mark_.get())
        DeleteObject(shown);
    mark_.reset();
}

} // namespace mvx::win32
