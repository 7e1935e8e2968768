#pragma once

#include "FocusableLabel.h"
#include "Style.h"

namespace zorvane::ui {

// A label that opens a web page: underlined text, a pointing-hand cursor, and
// clicked() on a left-button release inside the label. It takes Tab focus,
// shows it with a dotted rectangle, and Enter, Return or Space click it;
// assistive technology sees a link with a "press" action, and a "set focus"
// action while it takes the focus.
class LinkLabel : public FocusableLabel {
    Q_OBJECT
public:
    // A link shown as text in font (underlined whatever font says), found by
    // name (its object name). Assistive technology calls it by its text and
    // reads description as what it opens.
    LinkLabel(const QString& name, const QString& text, const QString& description, QFont font,
              QWidget* parent = nullptr);

public Q_SLOTS:
    // Activates the link as a mouse click would.
    void click();

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // A double-click is one click: its second press clicks nothing.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool marksFocus() const override;

private:
    bool pressed_ = false;
};

// A link label at geometry (pixels) in parent that runs openPage, guarded,
// when clicked.
LinkLabel* createLink(const QString& name, const QString& text, const QString& description, const QFont& font,
                      const QRect& geometry, QWidget* parent, void (*openPage)(), TextFlow flow = TextFlow::Line);

}  // namespace zorvane::ui
