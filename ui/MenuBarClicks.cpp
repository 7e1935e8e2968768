#include "MenuBarClicks.h"

#include <QAction>
#include <QEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QObject>

namespace zorvane::ui {

namespace {

class SecondPressFilter : public QObject {
public:
    explicit SecondPressFilter(QMenuBar* bar)
        : QObject(bar)
        , bar_(bar)
    {
        bar->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != bar_ || event->type() != QEvent::MouseButtonDblClick)
            return false;
        const QAction* item = bar_->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        return item && !item->menu();
    }

private:
    QMenuBar* bar_;
};

}  // namespace

void runBarItemsOncePerDoubleClick(QMenuBar* bar)
{
    new SecondPressFilter(bar);
}

}  // namespace zorvane::ui
