#include "win32/PixelLayout.h"

#include "win32/ScreenDpi.h"
#include "win32/WindowText.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace mvx::win32 {

namespace {

struct TemplateItem {
    int id = 0;
    RECT bounds{};
    // The control's data block, if it has one.
    std::vector<std::uint8_t> data;
};

struct DialogTemplate {
    SIZE size{};
    // The size of the font that every control shows in unless it has its own.
    int pointSize = 0;
    std::vector<TemplateItem> items;
};

// Reads an extended dialog template (DLGTEMPLATEEX and its items).
class TemplateReader {
public:
    TemplateReader(const std::uint8_t *at, std::size_t length) : at_(at), end_(at + length) {}

    template <typename T> T Take()
    {
        Need(sizeof(T));
        T value{};
        std::memcpy(&value, at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    // A name or a number: 0x0000 is none, 0xFFFF a number, else a string.
    void SkipNameOrNumber()
    {
        const auto first = Take<std::uint16_t>();
        if (first == 0xFFFF)
            Take<std::uint16_t>();
        else if (first != 0)
            SkipString();
    }
    void SkipString()
    {
        while (Take<std::uint16_t>() != 0) {
        }
    }
    void Skip(std::size_t length)
    {
        Need(length);
        at_ += length;
    }
    std::vector<std::uint8_t> Bytes(std::size_t length)
    {
        Need(length);
        std::vector<std::uint8_t> bytes(at_, at_ + length);
        at_ += length;
        return bytes;
    }
    void AlignTo(std::uintptr_t start, std::size_t alignment)
    {
        const auto offset = static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(at_) - start);
        Skip((alignment - offset % alignment) % alignment);
    }

private:
    void Need(std::size_t length) const
    {
        if (static_cast<std::size_t>(end_ - at_) < length)
            throw std::runtime_error("ダイアログテンプレートが壊れています");
    }

    const std::uint8_t *at_;
    const std::uint8_t *end_;
};

DialogTemplate ReadTemplate(int templateId)
{
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(templateId), MAKEINTRESOURCEW(5));
    const HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void *start = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (start == nullptr)
        throw std::runtime_error("ダイアログテンプレートがありません");
    const auto *bytes = static_cast<const std::uint8_t *>(start);
    const auto origin = reinterpret_cast<std::uintptr_t>(start);
    TemplateReader reader(bytes, SizeofResource(module, resource));

    if (reader.Take<std::uint16_t>() != 1 || reader.Take<std::uint16_t>() != 0xFFFF)
        throw std::runtime_error("ダイアログテンプレートが拡張形式ではありません");
    reader.Skip(sizeof(DWORD) * 3); // help id, extended style, style
    const auto count = reader.Take<std::uint16_t>();
    reader.Skip(sizeof(std::int16_t) * 2); // x, y
    DialogTemplate dialog;
    dialog.size.cx = reader.Take<std::int16_t>();
    dialog.size.cy = reader.Take<std::int16_t>();
    reader.SkipNameOrNumber(); // menu
    reader.SkipNameOrNumber(); // class
    reader.SkipString();       // caption
    // Every template here has a font: point size, weight, italic, character set, face.
    dialog.pointSize = reader.Take<std::uint16_t>();
    reader.Skip(sizeof(std::uint16_t) + 2);
    reader.SkipString();

    for (std::uint16_t i = 0; i < count; ++i) {
        reader.AlignTo(origin, sizeof(DWORD));
        reader.Skip(sizeof(DWORD) * 3); // help id, extended style, style
        TemplateItem item;
        const auto x = reader.Take<std::int16_t>();
        const auto y = reader.Take<std::int16_t>();
        const auto cx = reader.Take<std::int16_t>();
        const auto cy = reader.Take<std::int16_t>();
        item.bounds = {x, y, x + cx, y + cy};
        item.id = static_cast<int>(reader.Take<DWORD>());
        reader.SkipNameOrNumber(); // class
        reader.SkipNameOrNumber(); // caption
        const auto dataLength = reader.Take<std::uint16_t>();
        if (dataLength > 0) {
            reader.AlignTo(origin, sizeof(WORD));
            item.data = reader.Bytes(dataLength);
        }
        dialog.items.push_back(std::move(item));
    }
    return dialog;
}

// The size of a label's text in its own font, for labels that fit their text.
SIZE TextExtent(HWND control)
{
    const std::wstring text = TextOf(control);
    const HDC dc = GetDC(control);
    RECT bounds{};
    {
        const Selected font(dc, FromMessage<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
                  DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
    }
    ReleaseDC(control, dc);
    return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

// A font's height for its size in points, at dpi, as the dialog manager makes it.
int PointsToPixels(int points, int dpi)
{
    constexpr int kPointsPerInch = 72;
    return MulDiv(points, dpi, kPointsPerInch);
}

} // namespace

PixelLayout::PixelLayout(int templateId, TemplateSize size, std::vector<int> underlined)
    : templateId_(templateId), size_(size), underlined_(std::move(underlined))
{}

SIZE PixelLayout::OuterSize(HWND dialog, int dpi) const
{
    const DialogTemplate layout = ReadTemplate(templateId_);
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE));
    const bool menu = GetMenu(dialog) != nullptr;
    SIZE client = layout.size;
    if (size_ == TemplateSize::Outer) {
        // What the frame and the menu bar leave of the outer size at 96 DPI
        // is what scales; the frame is the system's at each DPI.
        const SIZE outer = OuterForClient(layout.size, style, exStyle, menu, kLayoutDpi);
        client = {2 * layout.size.cx - outer.cx, 2 * layout.size.cy - outer.cy};
    }
    return OuterForClient({Scaled(client.cx, dpi), Scaled(client.cy, dpi)}, style, exStyle, menu, dpi);
}

void PixelLayout::Apply(HWND dialog, int dpi)
{
    const DialogTemplate layout = ReadTemplate(templateId_);
    if (!font_) {
        // The dialog manager's font, the template's, of which every font here is made.
        LOGFONTW font{};
        GetObjectW(FromMessage<HGDIOBJ>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
        font_ = font;
    }
    // The fonts the controls had stay until each has its new one.
    std::vector<MadeFont> fonts;
    const auto fontOf = [&](int pixelHeight, bool underlined) {
        for (const MadeFont &made : fonts)
            if (made.pixelHeight == pixelHeight && made.underlined == underlined)
                return made.font.get();
        LOGFONTW font = *font_;
        font.lfHeight = -pixelHeight;
        font.lfWidth = 0;
        font.lfUnderline = underlined ? TRUE : FALSE;
        fonts.push_back({pixelHeight, underlined, OwnedFont(CreateFontIndirectW(&font))});
        return fonts.back().font.get();
    };

    for (const TemplateItem &item : layout.items) {
        const HWND control = GetDlgItem(dialog, item.id);
        if (control == nullptr)
            continue;
        int fontHeight = PointsToPixels(layout.pointSize, dpi);
        if (item.data.size() >= sizeof(std::uint16_t)) {
            std::uint16_t height = 0;
            std::memcpy(&height, item.data.data(), sizeof height);
            fontHeight = Scaled(height, dpi);
        }
        const bool underlined =
            std::find(underlined_.begin(), underlined_.end(), item.id) != underlined_.end();
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fontOf(fontHeight, underlined)), FALSE);
        SIZE extent{Scaled(item.bounds.right - item.bounds.left, dpi),
                    Scaled(item.bounds.bottom - item.bounds.top, dpi)};
        if (extent.cx == 0 && extent.cy == 0)
            extent = TextExtent(control);
        MoveWindow(control, Scaled(item.bounds.left, dpi), Scaled(item.bounds.top, dpi), extent.cx, extent.cy,
                   FALSE);
    }
    fonts_ = std::move(fonts);
    dpi_ = dpi;

    const SIZE outer = OuterSize(dialog, dpi);
    SetWindowPos(dialog, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A window laid out anew while it shows is drawn anew, fonts and all.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

} // namespace mvx::win32
