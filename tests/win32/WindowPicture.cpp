// Pictures of the windows as the screen shows them, for a person to look at:
// the system's own image coder writes them as PNG.
#include "WindowDriver.h"

#include <memory>
#include <wincodec.h>

namespace mvx::test {

namespace {

struct Releaser {
    void operator()(IUnknown *object) const { object->Release(); }
};
template <typename T> using Com = std::unique_ptr<T, Releaser>;

struct ComUse {
    ComUse() : ok(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComUse()
    {
        if (ok)
            CoUninitialize();
    }
    ComUse(const ComUse &) = delete;
    ComUse &operator=(const ComUse &) = delete;
    bool ok;
};

bool WritePng(HBITMAP bitmap, SIZE size, const std::wstring &path)
{
    const ComUse com;
    IWICImagingFactory *factory = nullptr;
    if (!com.ok || FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_PPV_ARGS(&factory))))
        return false;
    const Com<IWICImagingFactory> ownedFactory(factory);
    IWICBitmap *source = nullptr;
    IWICStream *stream = nullptr;
    IWICBitmapEncoder *encoder = nullptr;
    if (FAILED(factory->CreateBitmapFromHBITMAP(bitmap, nullptr, WICBitmapIgnoreAlpha, &source)))
        return false;
    const Com<IWICBitmap> ownedSource(source);
    if (FAILED(factory->CreateStream(&stream)))
        return false;
    const Com<IWICStream> ownedStream(stream);
    if (FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) ||
        FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)))
        return false;
    const Com<IWICBitmapEncoder> ownedEncoder(encoder);
    IWICBitmapFrameEncode *frame = nullptr;
    if (FAILED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(&frame, nullptr)))
        return false;
    const Com<IWICBitmapFrameEncode> ownedFrame(frame);
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    return SUCCEEDED(frame->Initialize(nullptr)) &&
           SUCCEEDED(frame->SetSize(static_cast<UINT>(size.cx), static_cast<UINT>(size.cy))) &&
           SUCCEEDED(frame->SetPixelFormat(&format)) && SUCCEEDED(frame->WriteSource(source, nullptr)) &&
           SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

} // namespace

bool SavePicture(HWND window, const std::wstring &name)
{
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"MVX_WINDOW_PICTURES", folder, MAX_PATH) == 0)
        return true;
    CreateDirectoryW(folder, nullptr);
    // Painting waits for an empty queue: what was sent before has been
    // handled once WM_NULL comes back, and a moment later it is painted.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    Sleep(200);
    const RECT at = RectIn(window);
    const SIZE size = SizeOf(at);
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    const HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, size.cx, size.cy, screen, at.left, at.top, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    const bool saved = WritePng(bitmap, size, std::wstring(folder) + L"\\" + name + L".png");
    DeleteObject(bitmap);
    return saved;
}

} // namespace mvx::test
