#pragma once

// A look into a modal window, whether its opener waits for it (a button's
// handler) or has returned before it opens (a menu item's handler, queued).

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace zorvane::test {

// Runs open(), then handle(window) once a modal window is up: from inside
// the window's own event loop, while its opener waits for it. handle should
// close it. False when no modal window came up within timeoutMs.
inline bool handleModal(const std::function<void()>& open, const std::function<void(QWidget*)>& handle,
                        int timeoutMs = 5000)
{
    bool handled = false;
    QTimer look;
    look.setInterval(0);
    QObject::connect(&look, &QTimer::timeout, qApp, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || handled)
            return;
        handled = true;
        look.stop();
        handle(modal);
    });
    look.start();
    open();
    return QTest::qWaitFor([&handled] { return handled; }, timeoutMs);
}

}  // namespace zorvane::test
