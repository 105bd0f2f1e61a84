#include "win32/ScreenDpi.h"

namespace mvx::win32 {

namespace {

// A function of user32 that older systems lack: null there.
template <typename Function> Function *Late(const char *name)
{
    const FARPROC found = GetProcAddress(GetModuleHandleW(L"user32.dll"), name);
    // Through the one function type that converts to every other.
    return reinterpret_cast<Function *>(reinterpret_cast<void (*)()>(found));
}

int SystemDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kLayoutDpi;
}

} // namespace

int Scaled(int pixels, int dpi)
{
    return MulDiv(pixels, dpi, kLayoutDpi);
}

int WindowDpi(HWND window)
{
    static const auto getDpiForWindow = Late<decltype(GetDpiForWindow)>("GetDpiForWindow");
    const int dpi = getDpiForWindow != nullptr ? static_cast<int>(getDpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

SIZE OuterForClient(SIZE client, DWORD style, DWORD exStyle, bool menu, int dpi)
{
    static const auto adjustForDpi = Late<decltype(AdjustWindowRectExForDpi)>("AdjustWindowRectExForDpi");
    RECT outer{0, 0, client.cx, client.cy};
    if (adjustForDpi != nullptr) {
        adjustForDpi(&outer, style, menu ? TRUE : FALSE, exStyle, static_cast<UINT>(dpi));
        return {outer.right - outer.left, outer.bottom - outer.top};
    }
    // The system's metrics are those of its own DPI, the only one a window
    // has where the function is missing.
    AdjustWindowRectEx(&outer, style, menu ? TRUE : FALSE, exStyle);
    const int systemDpi = SystemDpi();
    return {client.cx + MulDiv(outer.right - outer.left - client.cx, dpi, systemDpi),
            client.cy + MulDiv(outer.bottom - outer.top - client.cy, dpi, systemDpi)};
}

int SystemMetric(int index, int dpi)
{
    static const auto metricForDpi = Late<decltype(GetSystemMetricsForDpi)>("GetSystemMetricsForDpi");
    if (metricForDpi != nullptr)
        return metricForDpi(index, static_cast<UINT>(dpi));
    return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

void KeepDialogScalingOurs(HWND dialog)
{
    static const auto setBehavior = Late<decltype(SetDialogDpiChangeBehavior)>("SetDialogDpiChangeBehavior");
    if (setBehavior != nullptr)
        setBehavior(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

} // namespace mvx::win32
