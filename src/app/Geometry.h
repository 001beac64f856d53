#pragma once

#include <QSize>

#include <cstdint>
#include <optional>

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
