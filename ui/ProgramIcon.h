#pragma once

// The program's icon, drawn for Zorvane (icons/zorvane.svg) and rendered at
// 32, 48, 64, 128 and 256 pixels into the ui resources.

#include <QIcon>
#include <QString>

namespace zorvane::ui {

// Resource path of the rendering of the given size in pixels.
QString programIconPath(int size);
// The renderings of 32, 48 and 64 pixels, for window icons.
QIcon programIcon();

}  // namespace zorvane::ui
