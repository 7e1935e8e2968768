#include "DropDownList.h"

#include "Accessibility.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>

namespace zorvane::ui {

namespace {

// A drop-down list as assistive technology sees it: a combo box as Qt
// presents one (its closed list as its one child, show-menu and press to
// open and close that list, named by its chosen entry on Unix, where labels
// name a control through their relation, and by its accessible name
// elsewhere), whose text is its chosen entry, read-only.
class DropDownListAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit DropDownListAccessible(DropDownList* list)
        : QAccessibleWidget(list, QAccessible::ComboBox)
    {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
#ifdef Q_OS_UNIX
        case QAccessible::Name:
#endif
        case QAccessible::Value:
            return entry();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    int childCount() const override
    {
        return list()->view() ? 1 : 0;
    }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 && list()->view() ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && list()->view() && child->object() == list()->view() ? 0 : -1;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} << QAccessibleWidget::actionNames();
    }
    void doAction(const QString& actionName) override
    {
        if (actionName != showMenuAction() && actionName != pressAction()) {
            QAccessibleWidget::doAction(actionName);
            return;
        }
        if (list()->view()->isVisible())
            list()->hidePopup();
        else
            list()->showPopup();
    }

    // The chosen entry as a text without selection or caret of its own.
    QString text(int startOffset, int endOffset) const override
    {
        return entry().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override
    {
        return static_cast<int>(entry().size());
    }
    void selection(int, int* startOffset, int* endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override
    {
        return 0;
    }
    void addSelection(int, int) override
    {}
    void removeSelection(int) override
    {}
    void setSelection(int, int, int) override
    {}
    int cursorPosition() const override
    {
        return 0;
    }
    void setCursorPosition(int) override
    {}
    QRect characterRect(int) const override
    {
        return {};
    }
    int offsetAtPoint(const QPoint&) const override
    {
        return -1;
    }
    void scrollToSubstring(int, int) override
    {}
    QString attributes(int, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    DropDownList* list() const
    {
        return static_cast<DropDownList*>(widget());
    }
    QString entry() const
    {
        return list()->currentText();
    }
};

}  // namespace

DropDownList::DropDownList(QWidget* parent)
    : QComboBox(parent)
{
    ui::useAccessibleOf<DropDownList, DropDownListAccessible>();
    connect(this, &QComboBox::currentIndexChanged, this, &DropDownList::announceChosenEntry);
}

void DropDownList::showPopup()
{
    // The open list stands in a window of its own, which takes a menu's
    // colours; and its entries are drawn as a menu's items, in the colours
    // that their own list sets, the menu's for the rest. The list's colours
    // are given to both as it opens.
    view()->window()->setPalette(palette());
    view()->setPalette(palette());
    QComboBox::showPopup();
}

void DropDownList::announceChosenEntry(int index)
{
    // Changes made by the program, or in the open list (which announces its
    // own items), are not the person's moves in the closed list.
    if (!hasFocus() || view()->isVisible() || index < 0)
        return;
    const QModelIndex entry = model()->index(index, modelColumn(), rootModelIndex());
    if (view()->currentIndex() != entry)
        view()->setCurrentIndex(entry);
}

}  // namespace zorvane::ui
