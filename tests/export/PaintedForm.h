#pragma once

// A stand-in for the panels window: a vertical gradient (so a picture turned
// upside down shows), an accent block (so swapped colour channels show) and a
// line of text.

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QWidget>

namespace zorvane::test {

class PaintedForm : public QWidget {
public:
    explicit PaintedForm(QSize size, QColor accent = QColor(220, 20, 60))
        : accent_(accent)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(size);
    }

    void setAccent(QColor accent)
    {
        accent_ = accent;
        update();
    }

    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        QPainter painter(this);
        QLinearGradient gradient(0, 0, 0, height());
        gradient.setColorAt(0, QColor(64, 0, 64));
        gradient.setColorAt(1, QColor(128, 255, 255));
        painter.fillRect(rect(), gradient);
        painter.fillRect(QRect(width() / 8, height() / 8, width() / 3, height() / 3), accent_);
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Sun/Venus - 5/17/1990"));
    }

private:
    QColor accent_;
};

}  // namespace zorvane::test
