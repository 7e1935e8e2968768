// The yardstick of bench/run: the least a Qt Widgets program of Zorvane's
// shape does. A main window with a menu bar and one focused button; the
// button opens an empty maximized window and hides the main window, as
// "Get My Firdaria Reading" opens the results frame.
//
// With ZORVANE_TIMING set it prints, like Zorvane, the milliseconds from the
// click handler to the end of the opened window's first paint on stderr.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

// Reports once, when the first paint of the watched widget has been drawn
// and flushed (the zero timer runs after the paint pass returns).
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

class BaselineWindow : public QMainWindow {
public:
    BaselineWindow()
    {
        setWindowTitle(QStringLiteral("Baseline"));
        createMenus();
        createButton();
    }

private:
    void createMenus()
    {
        QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
        connect(file->addAction(QStringLiteral("&Open")), &QAction::triggered, this, &BaselineWindow::open);
        connect(file->addAction(QStringLiteral("E&xit")), &QAction::triggered, qApp, &QApplication::quit);
        menuBar()->addMenu(QStringLiteral("&Help"))->addAction(QStringLiteral("&About"));
    }

    void createButton()
    {
        auto* button = new QPushButton(QStringLiteral("Open"), this);
        setCentralWidget(button);
        connect(button, &QPushButton::clicked, this, &BaselineWindow::open);
        button->setFocus();
    }

    void open()
    {
        QElapsedTimer started;
        started.start();
        auto* opened = new QMainWindow;
        opened->setAttribute(Qt::WA_DeleteOnClose);
        opened->setWindowTitle(QStringLiteral("Baseline opened"));
        opened->setCentralWidget(new QWidget);
        if (qEnvironmentVariableIsSet("ZORVANE_TIMING"))
            new FirstPaintTimer(opened->centralWidget(), started);
        opened->showMaximized();
        hide();
    }
};

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    BaselineWindow window;
    window.show();
    return QApplication::exec();
}
