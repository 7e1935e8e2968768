#pragma once

#include <QLabel>

namespace zorvane::ui {

// A label that opens a web page: underlined text, a pointing-hand cursor, and
// clicked() on a left-button release inside the label.
class LinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

}  // namespace zorvane::ui
