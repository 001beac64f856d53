#pragma once

#include <QSize>

#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

class QColor;

namespace lng {

// 15 twips make one pixel.
inline constexpr int twipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

// The resize rule of the main window: the grid is the window's outer size less 140 twips
// across and 890 twips down. Sizes the grid cannot take give nothing, and the grid keeps its
// previous size.
inline std::optional<QSize> gridSizeForWindow(QSize outer)
{
    const int width = outer.width() - twipsToPixels(140);
    const int height = outer.height() - twipsToPixels(890);
    if (width <= 0 || height <= 0)
        return std::nullopt;
    return QSize(width, height);
}

// Column widths that fit `available`: when the columns are wider than that, the shrinkable ones
// give up width in proportion to their widths, none below `minimum`, and the others stay whole.
// Columns that fit already keep their widths.
inline std::vector<int> shrinkToFit(std::vector<int> widths, const std::vector<bool> &shrinkable, int available, int minimum)
{
    int total = 0;
    int spare = 0; // what the shrinkable columns could give up
    for (std::size_t i = 0; i < widths.size(); ++i) {
        total += widths[i];
        if (shrinkable[i])
            spare += std::max(0, widths[i] - minimum);
    }
    const int excess = total - available;
    if (excess <= 0 || spare <= 0)
        return widths;
    const double share = std::min(1.0, static_cast<double>(excess) / spare);
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (shrinkable[i] && widths[i] > minimum)
            widths[i] -= static_cast<int>(std::ceil((widths[i] - minimum) * share));
    }
    return widths;
}

// Where a window of `frame` size goes at first: no larger than the screen's available area,
// centred on it, its title bar never above the area's top.
inline QRect firstWindowPlace(QSize frame, const QRect &available)
{
    QRect place(QPoint(0, 0), frame.boundedTo(available.size()));
    place.moveCenter(available.center());
    place.moveTop(std::max(place.top(), available.top()));
    place.moveLeft(std::max(place.left(), available.left()));
    return place;
}

// Red, green and blue of a 0x00BBGGRR colour value.
struct Rgb {
    int red;
    int green;
    int blue;
    bool operator==(const Rgb &) const = default;
};
inline constexpr Rgb rgbOf(std::uint32_t bgr)
{
    return Rgb {static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF), static_cast<int>((bgr >> 16) & 0xFF)};
}

} // namespace lng
