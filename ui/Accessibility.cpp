#include "Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace zorvane::ui {

namespace {

// Marks the containers that present themselves as layout alone.
constexpr char LayoutOnlyProperty[] = "zorvaneLayoutOnly";

// The role of a plain widget, which AT-SPI gives as a filler: layout without
// a meaning of its own to a screen reader. What it holds stays as it was.
QAccessibleInterface* layoutOnlyFactory(const QString&, QObject* object)
{
    if (!object || !object->isWidgetType() || !object->property(LayoutOnlyProperty).toBool())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Client);
}

}  // namespace

void presentAsLayoutOnly(QWidget* container)
{
    installAccessibleFactoryOnce<layoutOnlyFactory>();
    container->setProperty(LayoutOnlyProperty, true);
}

}  // namespace zorvane::ui
