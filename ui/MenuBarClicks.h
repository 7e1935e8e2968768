#pragma once

class QMenuBar;

namespace zorvane::ui {

// An item of the menu bar itself, one without a menu (Donate), runs once for
// a double-click as for a click: the bar drops the second press, which it
// would otherwise take as a fresh press and run the item again on its
// release. Items with a menu keep the bar's own handling of a double-click.
void runBarItemsOncePerDoubleClick(QMenuBar* bar);

}  // namespace zorvane::ui
