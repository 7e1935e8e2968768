#pragma once

#include <QList>

class QWidget;

namespace zorvane::ui {

// The program's windows that exist (shown or hidden), in the order of their
// creation. Each top-level window adds itself when it is constructed; a
// destroyed window drops out by itself.
void addOpenWindow(QWidget* window);
QList<QWidget*> openWindows();

}  // namespace zorvane::ui
