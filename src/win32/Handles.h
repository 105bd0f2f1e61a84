// Owners for the system's handles, so that none is left behind on any path,
// failures included.
#pragma once

#include <memory>
#include <type_traits>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Needs windows.h before it.
#include <shellapi.h>

namespace mvx::win32 {

struct KernelHandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct MemoryDcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct DropFinisher {
    void operator()(HDROP drop) const { DragFinish(drop); }
};
struct HookRemover {
    void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};

template <typename Handle, typename Release>
using Owned = std::unique_ptr<std::remove_pointer_t<Handle>, Release>;

using OwnedHandle = Owned<HANDLE, KernelHandleCloser>;
using OwnedFont = Owned<HFONT, GdiObjectDeleter>;
using OwnedPen = Owned<HPEN, GdiObjectDeleter>;
using OwnedBitmap = Owned<HBITMAP, GdiObjectDeleter>;
using OwnedMemoryDc = Owned<HDC, MemoryDcDeleter>;
using OwnedDrop = Owned<HDROP, DropFinisher>;
using OwnedHook = Owned<HHOOK, HookRemover>;

// What the system passes as a number in a message's parameters or result
// (a handle, a pointer to a structure, a system colour's brush), as what it is.
template <typename T, typename Number> T FromMessage(Number value)
{
    return reinterpret_cast<T>(value); // NOLINT(performance-no-int-to-ptr): the system's own convention
}

// An object selected into a device context for as long as this lives; the
// one it replaced goes back in before anything is deleted.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selected() { SelectObject(dc_, previous_); }
    Selected(const Selected &) = delete;
    Selected &operator=(const Selected &) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

} // namespace mvx::win32
