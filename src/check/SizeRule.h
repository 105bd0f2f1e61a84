// The main window's sizing rule: its height stays as the layout has it and its
// width never gets less; the path fields and the bar keep the right margins
// that the layout gives them, and the buttons stay put.
#pragma once

#include <optional>

namespace mvx {

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize &) const = default;
};

class SizeRule {
public:
    // The window's size as laid out, and at that size the width of its
    // client area and the widths there of the path fields and of the bar.
    SizeRule(PixelSize laidOut, int clientWidth, int fieldWidth, int barWidth)
        : laidOut_(laidOut), fieldMargin_(clientWidth - fieldWidth), barMargin_(clientWidth - barWidth)
    {}

    [[nodiscard]] PixelSize LaidOut() const { return laidOut_; }
    // The size a window of this size goes back to, or nothing when it may keep it.
    [[nodiscard]] std::optional<PixelSize> Corrected(PixelSize size) const;
    [[nodiscard]] int FieldWidth(int clientWidth) const { return clientWidth - fieldMargin_; }
    [[nodiscard]] int BarWidth(int clientWidth) const { return clientWidth - barMargin_; }

private:
    PixelSize laidOut_;
    int fieldMargin_;
    int barMargin_;
};

} // namespace mvx
