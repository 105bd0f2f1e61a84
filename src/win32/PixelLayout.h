// Places a dialog's controls by its template's numbers taken as pixels.
//
// The dialog manager reads a template's positions and sizes as dialog units,
// which scale with the dialog font's average character: a layout given in
// pixels would come out anywhere between too small and too large, depending
// on the font that stands in for the designed one. The templates of this
// program hold pixels at 96 DPI, and this puts every control back where they
// say once the dialog manager has made it.
#pragma once

#include "win32/Handles.h"

#include <vector>

namespace mvx::win32 {

// What the template's own size stands for.
enum class TemplateSize {
    Client, // the client area
    Outer,  // the whole window, frame and menu bar included
};

class PixelLayout {
public:
    // Call from WM_INITDIALOG. Controls with a data block get a font of their
    // own, of that pixel height; a label of width and height 0 is made as
    // large as its text.
    void Apply(HWND dialog, int templateId, TemplateSize size);

    // A font like the dialog's, of another pixel height (0 keeps its own) or
    // underlined; it lives as long as this layout.
    HFONT DerivedFont(HWND dialog, int pixelHeight, bool underlined);

private:
    std::vector<OwnedFont> fonts_;
};

} // namespace mvx::win32
