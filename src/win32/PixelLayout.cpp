#include "win32/PixelLayout.h"

#include "win32/WindowText.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>

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
    reader.Skip(sizeof(std::uint16_t) * 2 + 2);
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

} // namespace

HFONT PixelLayout::DerivedFont(HWND dialog, int pixelHeight, bool underlined)
{
    LOGFONTW font{};
    GetObjectW(FromMessage<HGDIOBJ>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    if (pixelHeight > 0)
        font.lfHeight = -pixelHeight;
    font.lfWidth = 0;
    font.lfUnderline = underlined ? TRUE : FALSE;
    fonts_.emplace_back(CreateFontIndirectW(&font));
    return fonts_.back().get();
}

void PixelLayout::Apply(HWND dialog, int templateId, TemplateSize size)
{
    const DialogTemplate layout = ReadTemplate(templateId);
    for (const TemplateItem &item : layout.items) {
        const HWND control = GetDlgItem(dialog, item.id);
        if (control == nullptr)
            continue;
        if (item.data.size() >= sizeof(std::uint16_t)) {
            std::uint16_t height = 0;
            std::memcpy(&height, item.data.data(), sizeof height);
            const HFONT font = DerivedFont(dialog, height, false);
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
        SIZE extent{item.bounds.right - item.bounds.left, item.bounds.bottom - item.bounds.top};
        if (extent.cx == 0 && extent.cy == 0)
            extent = TextExtent(control);
        MoveWindow(control, item.bounds.left, item.bounds.top, extent.cx, extent.cy, FALSE);
    }

    SIZE outer = layout.size;
    if (size == TemplateSize::Client) {
        RECT frame{0, 0, layout.size.cx, layout.size.cy};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)),
                           GetMenu(dialog) != nullptr,
                           static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
        outer = {frame.right - frame.left, frame.bottom - frame.top};
    }
    SetWindowPos(dialog, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace mvx::win32
