#pragma once

// Reports once on standard error, as "reading-to-first-paint-ms <ms>", the
// time from `started` until the first paint of the watched widget has been
// drawn and flushed: the zero timer runs once that paint pass, children
// included, has returned to the event loop. bench/run reads the line.
// Header-only, so that the benchmarks' baseline program uses the same
// measurement without linking the program's libraries.

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace zorvane::ui {

class FirstPaintTimer : public QObject {
public:
    FirstPaintTimer(QWidget* watched, const QElapsedTimer& started)
        : QObject(watched)
        , started_(started)
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                std::fprintf(stderr, "reading-to-first-paint-ms %.2f\n", started_.nsecsElapsed() / 1e6);
                deleteLater();
            });
        }
        return false;
    }

private:
    QElapsedTimer started_;
};

}  // namespace zorvane::ui
