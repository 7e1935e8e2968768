#pragma once

// Layout is designed in twips (1440 to the inch). At 96 logical dots per inch
// one device-independent pixel is 15 twips; Qt's high-DPI scaling maps those
// pixels to the screen, so the design holds at every scale factor.

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cmath>

namespace zorvane::ui {

inline constexpr int TwipsPerPixel = 15;

// Nearest whole pixel; halves away from zero.
constexpr int px(double twips)
{
    const double p = twips / TwipsPerPixel;
    return static_cast<int>(p < 0 ? p - 0.5 : p + 0.5);
}

constexpr double toTwips(int pixels)
{
    return double(pixels) * TwipsPerPixel;
}

inline QRect twipRect(double left, double top, double width, double height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

inline QSize twipSize(double width, double height)
{
    return QSize(px(width), px(height));
}

inline QPoint twipPoint(double left, double top)
{
    return QPoint(px(left), px(top));
}

}  // namespace zorvane::ui
