#include "FocusableLabel.h"

#include "FocusMark.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace zorvane::ui {

FocusableLabel::FocusableLabel(QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void FocusableLabel::setPlainText(const QString& text)
{
    // QLabel makes the document as the text of a label that takes the focus
    // is set, not as the policy comes back afterwards.
    const Qt::FocusPolicy policy = focusPolicy();
    setFocusPolicy(Qt::NoFocus);
    setText(text);
    setFocusPolicy(policy);
}

bool FocusableLabel::event(QEvent* event)
{
    // QLabel makes the document as it is polished; the frame's polish is all
    // the rest.
    if (event->type() == QEvent::Polish)
        return QFrame::event(event);
    return QLabel::event(event);
}

void FocusableLabel::focusInEvent(QFocusEvent* event)
{
    // QLabel makes the document as it takes the focus.
    QFrame::focusInEvent(event);
}

void FocusableLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const int flags = QStyle::visualAlignment(layoutDirection(), alignment()) | (wordWrap() ? Qt::TextWordWrap : 0);
    style()->drawItemText(&painter, contentsRect(), flags, palette(), isEnabled(), text(), foregroundRole());
    if (marksFocus())
        drawFocusMark(painter, rect(), palette().color(foregroundRole()));
}

}  // namespace zorvane::ui
