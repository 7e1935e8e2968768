#pragma once

// Names and descriptions of controls for assistive technology (screen
// readers), and the order in which Tab visits a window's controls. A
// control's name is what a person calls it; its description says what it
// is for.

#include <QAccessible>
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

// Has Qt's accessibility ask factory for the interfaces of objects, once
// per process however often it is called.
template <QAccessible::InterfaceFactory factory>
void installAccessibleFactoryOnce()
{
    static const bool installed = (QAccessible::installFactory(factory), true);
    Q_UNUSED(installed);
}

// The interface of class Accessible for a widget of class Widget itself
// (not of a class derived from it); nothing for any other object.
template <typename Widget, typename Accessible>
QAccessibleInterface* accessibleOf(const QString& className, QObject* object)
{
    if (className == QLatin1String(Widget::staticMetaObject.className()) && object && object->isWidgetType())
        return new Accessible(static_cast<Widget*>(object));
    return nullptr;
}

// Assistive technology meets every widget of class Widget through an
// interface of class Accessible.
template <typename Widget, typename Accessible>
void useAccessibleOf()
{
    installAccessibleFactoryOnce<&accessibleOf<Widget, Accessible>>();
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
