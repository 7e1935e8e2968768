#include "ProgramIcon.h"

namespace zorvane::ui {

QString programIconPath(int size)
{
    return QStringLiteral(":/zorvane/icons/zorvane-%1.png").arg(size);
}

QIcon programIcon()
{
    // Every window that opens hands its icon to the window manager as raw
    // pixels, all renderings at once (256 KiB for the 256-pixel one alone);
    // task bars and window switchers draw it small, so the large renderings
    // would only slow each window's first showing.
    QIcon icon;
    for (const int size : {32, 48, 64})
        icon.addFile(programIconPath(size), QSize(size, size));
    return icon;
}

}  // namespace zorvane::ui
