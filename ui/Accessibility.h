#pragma once

// Names and descriptions of controls for assistive technology (screen
// readers), and the order in which Tab visits a window's controls. A
// control's name is what a person calls it; its description says what it
// is for.

#include <QList>
#include <QString>
#include <QWidget>

namespace zorvane::ui {

// A control that shows no caption of its own (a list, a text box, a
// picture), or whose caption is not what it is called, is named here.
inline void describe(QWidget* control, const QString& name, const QString& description)
{
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

// A control that shows its name (a button's or a frame's caption, a label's
// text) takes only a description: assistive technology reads the caption as
// its name, without the access-key mark, and follows it when it changes (a
// label rewritten for each reading).
inline void describeOnly(QWidget* control, const QString& description)
{
    control->setAccessibleDescription(description);
}

// A container that only lays out what it holds, such as the results frame's
// area around its one window: screen readers pass over it instead of saying
// its kind ("layered pane") as the focus enters what it holds.
void presentAsLayoutOnly(QWidget* container);

// Tab moves from each control of order to the next, Shift+Tab back.
inline void setTabChain(const QList<QWidget*>& order)
{
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order.at(i), order.at(i + 1));
}

}  // namespace zorvane::ui
