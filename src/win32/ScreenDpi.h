// Pixels at the DPI of the screen a window is on. The layouts hold pixels
// at 96 DPI; a window on a screen of another DPI gets them scaled, its fonts
// made at the scaled height and its frame measured at that DPI.
//
// The functions that know a window's own DPI came with Windows 10 (1607,
// 1703); on older systems and older Wine they are missing, and the program
// must still start there. They are looked up when first needed, and without
// them every window has the system's DPI.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace mvx::win32 {

// The DPI that the layouts' pixels are given at.
constexpr int kLayoutDpi = 96;

// A layout's pixels at dpi, rounded as the dialog manager rounds dialog units.
[[nodiscard]] int Scaled(int pixels, int dpi);

// The DPI of the screen the window is on.
[[nodiscard]] int WindowDpi(HWND window);

// The outer size of a window of that style whose client area has the given
// size, with the frame, caption and menu bar as drawn at dpi.
[[nodiscard]] SIZE OuterForClient(SIZE client, DWORD style, DWORD exStyle, bool menu, int dpi);

// A system metric (GetSystemMetrics) as it is at dpi.
[[nodiscard]] int SystemMetric(int index, int dpi);

// Leaves a dialog's scaling to the program: the dialog manager of newer
// systems would otherwise move its controls and change its fonts by its own
// measure when the DPI changes.
void KeepDialogScalingOurs(HWND dialog);

} // namespace mvx::win32
