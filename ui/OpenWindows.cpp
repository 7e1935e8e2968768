#include "OpenWindows.h"

#include <QPointer>
#include <QWidget>

#include <vector>

namespace zorvane::ui {

namespace {
std::vector<QPointer<QWidget>>& registry()
{
    static std::vector<QPointer<QWidget>> windows;
    return windows;
}
}  // namespace

void addOpenWindow(QWidget* window)
{
    auto& windows = registry();
    std::erase_if(windows, [](const QPointer<QWidget>& w) { return w.isNull(); });
    windows.emplace_back(window);
}

QList<QWidget*> openWindows()
{
    QList<QWidget*> result;
    for (const QPointer<QWidget>& w : registry())
        if (!w.isNull())
            result.append(w.data());
    return result;
}

}  // namespace zorvane::ui
