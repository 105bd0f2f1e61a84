// The main window's sizing rule: its height stays as designed and its width
// never gets less; the path fields and the bar keep the right margins that
// the layout gives them at the designed size, and the buttons stay put.
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
    // The window's designed size, and at that size the width of its client
    // area and the widths there of the path fields and of the bar.
    SizeRule(PixelSize designed, int clientWidth, int fieldWidth, int barWidth)
        : designed_(designed), fieldMargin_(clientWidth - fieldWidth), barMargin_(clientWidth - barWidth)
    {}

    [[nodiscard]] PixelSize Designed() const { return designed_; }
    // The size a window of this size goes back to, or nothing when it may keep it.
    [[nodiscard]] std::optional<PixelSize> Corrected(PixelSize size) const;
    [[nodiscard]] int FieldWidth(int clientWidth) const { return clientWidth - fieldMargin_; }
    [[nodiscard]] int BarWidth(int clientWidth) const { return clientWidth - barMargin_; }

private:
    PixelSize designed_;
    int fieldMargin_;
    int barMargin_;
};

} // namespace mvx
