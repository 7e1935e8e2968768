#include "FocusMark.h"

#include <QPainter>
#include <QPen>
#include <QWidget>

namespace zorvane::ui {

void drawFocusMark(QPainter& painter, const QRect& around, const QColor& colour)
{
    painter.save();
    painter.setPen(QPen(colour, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(around.adjusted(0, 0, -1, -1));
    painter.restore();
}

bool showsKeyboardFocus(const QWidget* widget)
{
    return widget->hasFocus() && widget->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

}  // namespace zorvane::ui
