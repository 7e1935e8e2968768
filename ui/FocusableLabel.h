#pragma once

#include <QLabel>

namespace zorvane::ui {

// A label of plain text that takes the keyboard focus: drawn as a plain label
// draws its text, with the dotted focus rectangle in the text's colour while
// marksFocus() says so.
//
// QLabel gives a label that takes the focus a text document, made as the
// label is polished, takes the focus or is given a text, and laid out as it
// is first shown. This one draws its text itself, needs none and makes none.
class FocusableLabel : public QLabel {
    Q_OBJECT
public:
    explicit FocusableLabel(QWidget* parent = nullptr);

    // QLabel::setText, which would make the document.
    void setPlainText(const QString& text);

protected:
    // Whether the focus rectangle shows now.
    virtual bool marksFocus() const = 0;

    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace zorvane::ui
