#include "ProgramIcon.h"

namespace zorvane::ui {

QString programIconPath(int size)
{
    return QStringLiteral(":/zorvane/icons/zorvane-%1.png").arg(size);
}

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {32, 48, 64, 128, 256})
        icon.addFile(programIconPath(size), QSize(size, size));
    return icon;
}

}  // namespace zorvane::ui
