#pragma once

// Work that waits for a widget's first paint. A zero timer queued from the
// first paint event runs once that paint pass, children included, has been
// drawn, flushed and returned to the event loop. Header-only, so that the
// benchmarks' baseline program shares the measurement without linking the
// program's libraries.

#include <QElapsedTimer>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <utility>

namespace zorvane::ui {

class AfterFirstPaint : public QObject {
public:
    // Owned by watched: if watched goes first, work never runs.
    AfterFirstPaint(QWidget* watched, std::function<void()> work)
        : QObject(watched)
        , work_(std::move(work))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                const std::function<void()> work = std::move(work_);
                deleteLater();
                work();
            });
        }
        return false;
    }

private:
    std::function<void()> work_;
};

// Runs work once, after widget's first paint.
inline void afterFirstPaint(QWidget* widget, std::function<void()> work)
{
    new AfterFirstPaint(widget, std::move(work));
}

// Reports once on standard error, as "reading-to-first-paint-ms <ms>", the
// time from started until widget's first paint is done. bench/run reads it.
inline void reportFirstPaint(QWidget* widget, const QElapsedTimer& started)
{
    afterFirstPaint(widget, [started] {
        std::fprintf(stderr, "reading-to-first-paint-ms %.2f\n", static_cast<double>(started.nsecsElapsed()) / 1e6);
    });
}

}  // namespace zorvane::ui
