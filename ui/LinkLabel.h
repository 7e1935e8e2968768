#pragma once

#include <QLabel>

namespace zorvane::ui {

// A label that opens a web page: underlined text, a pointing-hand cursor, and
// clicked() on a left-button release inside the label. It takes Tab focus,
// shows it with a dotted rectangle, and Enter, Return or Space click it;
// assistive technology sees a link with a "press" action.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

public Q_SLOTS:
    // Activates the link as a mouse click would.
    void click();

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace zorvane::ui
