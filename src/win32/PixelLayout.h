// Places a dialog's controls by its template's numbers taken as pixels at
// 96 DPI, scaled to the DPI of the window's screen.
//
// The dialog manager reads a template's positions and sizes as dialog units,
// which scale with the dialog font's average character: a layout given in
// pixels would come out anywhere between too small and too large, depending
// on the font that stands in for the template's. The templates of this
// program hold pixels at 96 DPI, and this puts every control back where they
// say, scaled as the dialog manager scales, once the dialog manager has made
// it; and again whenever the window's DPI changes.
#pragma once

#include "win32/Handles.h"
#include "win32/ScreenDpi.h"

#include <optional>
#include <vector>

namespace mvx::win32 {

// What the template's own size stands for.
enum class TemplateSize {
    Client, // the client area
    Outer,  // the whole window, frame and menu bar included, at 96 DPI
};

class PixelLayout {
public:
    // underlined: the controls whose text is underlined.
    PixelLayout(int templateId, TemplateSize size, std::vector<int> underlined = {});

    // Places the controls, makes their fonts and sizes the window, all at
    // dpi: from WM_INITDIALOG, and again at each change of DPI. Every font is
    // the template's at that DPI; a control with a data block gets one of
    // that pixel height instead. A label of width and height 0 is made as
    // large as its text.
    void Apply(HWND dialog, int dpi);

    // The window's outer size as laid out at dpi.
    [[nodiscard]] SIZE OuterSize(HWND dialog, int dpi) const;
    // The DPI it was last laid out at.
    [[nodiscard]] int Dpi() const { return dpi_; }

private:
    int templateId_;
    TemplateSize size_;
    std::vector<int> underlined_;
    struct MadeFont {
        int pixelHeight;
        bool underlined;
        OwnedFont font;
    };

    // The dialog manager's font, of which the controls' fonts are made.
    std::optional<LOGFONTW> font_;
    std::vector<MadeFont> fonts_;
    int dpi_ = kLayoutDpi;
};

} // namespace mvx::win32
