#pragma once

#include <QRect>

// Control positions and sizes are designed in twips: 15 twips to a pixel at 96 dots per inch.
namespace twips {

constexpr int PerPixel = 15;

constexpr int px(int twips)
{
    return (twips >= 0 ? twips + PerPixel / 2 : twips - PerPixel / 2) / PerPixel;
}

inline QRect box(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace twips
