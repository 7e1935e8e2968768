// The yardstick of bench/run: the least a Qt Widgets program of Zorvane's
// shape does. A main window with a menu bar and one focused button; the
// button opens an empty maximized window and hides the main window, as
// "Get My Firdaria Reading" opens the results frame.
//
// With ZORVANE_TIMING set it prints, like Zorvane, the milliseconds from the
// click handler to the end of the opened window's first paint on stderr.

#include "FirstPaint.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

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
            zorvane::ui::reportFirstPaint(opened->centralWidget(), started);
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
