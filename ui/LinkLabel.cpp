#include "LinkLabel.h"

#include "Accessibility.h"
#include "Guarded.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>

namespace zorvane::ui {

namespace {

// What assistive technology sees of a link label: a link named by its text
// (or its accessible name) with the action press and, while the label takes
// the keyboard focus, set-focus, through which a screen reader moves the
// focus to it (AT-SPI's grab-focus).
class LinkLabelAccessible : public QAccessibleWidget {
public:
    explicit LinkLabelAccessible(LinkLabel* label)
        : QAccessibleWidget(label, QAccessible::Link)
    {
        addControllingSignal(QStringLiteral("clicked()"));
    }

    QString text(QAccessible::Text t) const override
    {
        const auto* label = static_cast<const LinkLabel*>(widget());
        switch (t) {
        case QAccessible::Name:
            return label->accessibleName().isEmpty() ? label->text() : label->accessibleName();
        case QAccessible::Description:
            return label->accessibleDescription();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override { return QStringList{pressAction()} << QAccessibleWidget::actionNames(); }

    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            static_cast<LinkLabel*>(widget())->click();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

}  // namespace

LinkLabel::LinkLabel(const QString& name, const QString& text, const QString& description, QFont font, QWidget* parent)
    : FocusableLabel(parent)
{
    ui::useAccessibleOf<LinkLabel, LinkLabelAccessible>();
    setObjectName(name);
    setCursor(Qt::PointingHandCursor);
    setPlainText(text);
    describeOnly(this, description);
    setFocusPolicy(Qt::StrongFocus);
    font.setUnderline(true);
    setFont(font);
}

void LinkLabel::click()
{
    Q_EMIT clicked();
}

void LinkLabel::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void LinkLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    // The second press of a double-click, which QWidget would hand on as a
    // press: the first click has opened the page already.
    pressed_ = false;
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        Q_EMIT clicked();
}

void LinkLabel::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        // A held key opens the page once.
        if (!event->isAutoRepeat())
            click();
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

bool LinkLabel::marksFocus() const
{
    return hasFocus();
}

LinkLabel* createLink(const QString& name, const QString& text, const QString& description, const QFont& font,
                      const QRect& geometry, QWidget* parent, void (*openPage)(), TextFlow flow)
{
    auto* link = new LinkLabel(name, text, description, font, parent);
    link->setGeometry(geometry);
    if (flow == TextFlow::Wrapped) {
        link->setWordWrap(true);
        link->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    QObject::connect(link, &LinkLabel::clicked, link, guarded(openPage));
    return link;
}

}  // namespace zorvane::ui
