#pragma once

// Where two pictures of one size differ, for the checks of a focus mark.

#include <QImage>
#include <QRect>

namespace zorvane::test {

// Pixels that differ between two pictures of one size, and the smallest
// rectangle holding them.
inline QRect differingPixels(const QImage& a, const QImage& b, int* count)
{
    QRect where;
    *count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                where |= QRect(x, y, 1, 1);
                ++*count;
            }
    return where;
}

}  // namespace zorvane::test
