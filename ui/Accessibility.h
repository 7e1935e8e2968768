#pragma once

// Names and descriptions of controls for assistive technology (screen
// readers). A control's name is what a person calls it, usually its caption
// without the access-key mark; its description says what it is for. And the
// order in which Tab visits a window's controls.

#include <QList>
#include <QString>
#include <QWidget>

namespace zorvane::ui {

// "E&xit" -> "Exit", "Save && Close" -> "Save & Close".
inline QString withoutAccessKeys(const QString& caption)
{
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        plain.append(caption.at(i));
    }
    return plain;
}

inline void describe(QWidget* control, const QString& name, const QString& description)
{
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

// A control whose text changes while it is shown (a label rewritten for each
// reading) keeps no fixed name: its accessible name is then the text it shows.
inline void describeOnly(QWidget* control, const QString& description)
{
    control->setAccessibleDescription(description);
}

// Tab moves from each control of order to the next, Shift+Tab back.
inline void setTabChain(const QList<QWidget*>& order)
{
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        QWidget::setTabOrder(order.at(i), order.at(i + 1));
}

}  // namespace zorvane::ui
