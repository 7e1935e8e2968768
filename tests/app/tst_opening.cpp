// How each window of the program opens, along the paths a person takes: where
// the keyboard focus starts, and where the window stands on the screen. The
// main window stands moved to a corner of the screen first, so that a window
// centred on its owner shows as off the screen's centre.

#include "AppTestSupport.h"
#include "MDI.h"
#include "ModalWindows.h"
#include "frmDisplay.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <cstdlib>
#include <functional>
#include <memory>

using zorvane::test::AppWindows;
using zorvane::test::chooseBirth;
using zorvane::test::shownMainWindow;
using zorvane::test::Window;

namespace {

enum class Stands { Centred, Maximized };

struct Seen {
    QString focus;  // objectName of the focus widget; "<none>" without one
    QRect frame;    // the window's frame on the screen
    // How far off the screen's centre the frame may stand: a window is
    // centred before the window system adds its frame, which then moves the
    // centre by half of what the frame adds on each axis; and a pixel, as
    // an odd difference of sizes halves unevenly.
    QSize slack;
    bool maximized = false;
};

// What the active window shows once it is up: the focus widget and its frame.
Seen seeActiveWindow(QWidget* window)
{
    Seen seen;
    // Active for the widgets too, which learn it after the window system.
    if (!window || !QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }))
        return seen;
    QWidget* focus = QApplication::focusWidget();
    seen.focus = focus && focus->window() == window ? focus->objectName() : QStringLiteral("<none>");
    seen.frame = window->frameGeometry();
    seen.slack = (seen.frame.size() - window->size()) / 2 + QSize(1, 1);
    seen.maximized = window->windowState().testFlag(Qt::WindowMaximized);
    return seen;
}

// Runs open(), which shows a modal window; notes what the window shows once
// it is up, then closes it.
Seen seeModal(const std::function<void()>& open)
{
    Seen seen;
    zorvane::test::handleModal(open, [&seen](QWidget* modal) {
        seen = seeActiveWindow(modal);
        modal->close();
    });
    return seen;
}

}  // namespace

Q_DECLARE_METATYPE(Stands)

class tst_Opening : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void focusStartsAndWindowStands_data();
    void focusStartsAndWindowStands();

private:
    // The results frame the main window shows for a reading; nullptr when
    // none is up.
    QMainWindow* showResults();

    std::unique_ptr<AppWindows> app_;
};

void tst_Opening::init()
{
    app_ = std::make_unique<AppWindows>();
    app_->main = shownMainWindow(app_->folder.path());
    QVERIFY(app_->main);
    chooseBirth(*app_->main, {15, 3, 1990, modFirdaria::TimeOfBirth::Day});
}

void tst_Opening::cleanup()
{
    // The results frame the main window made, if any, goes first.
    QList<QPointer<QWidget>> frames;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qobject_cast<MDI*>(window))
            frames << window;
    for (const QPointer<QWidget>& frame : frames)
        delete frame.data();
    app_.reset();
}

QMainWindow* tst_Opening::showResults()
{
    app_->main->cmdNext_Click();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* frame = qobject_cast<MDI*>(window); frame && frame->isVisible()) {
            // Shown whole by the press itself: the first paint, which waits
            // for the event loop, finds the panels visible in it.
            if (frame->display()->periods().first()->isVisible())
                return frame;
            qWarning("The results frame was shown without its panels");
            return nullptr;
        }
    return nullptr;
}

void tst_Opening::focusStartsAndWindowStands_data()
{
    QTest::addColumn<Window>("from");    // the main window or the results frame
    QTest::addColumn<QString>("press");  // the button or menu item pressed there; empty: that window itself
    QTest::addColumn<QString>("focus");
    QTest::addColumn<Stands>("stands");

    // The results frame starts at the first period, where the reading
    // starts: a screen reader says it at once, Down reads its sub-periods,
    // and Tab goes on through the periods to the buttons below.
    // clang-format off
    QTest::newRow("main window") << Window::Main << QString() << "cmdNext" << Stands::Centred;
    QTest::newRow("results frame") << Window::Results << QString() << "fraPlanetName(0)" << Stands::Maximized;
    QTest::newRow("comprehensive reading") << Window::Results << "cmdComprehensive" << "RTB" << Stands::Centred;
    QTest::newRow("one ruler's reading") << Window::Results << "cmdDesc(4)" << "RTB" << Stands::Centred;
    QTest::newRow("About box from the main window") << Window::Main << "mnuAbout" << "cmdOK" << Stands::Centred;
    QTest::newRow("About box from the results frame") << Window::Results << "mnuAbout" << "cmdOK" << Stands::Centred;
    // clang-format on
}

void tst_Opening::focusStartsAndWindowStands()
{
    QFETCH(Window, from);
    QFETCH(QString, press);
    QFETCH(QString, focus);
    QFETCH(Stands, stands);

    QMainWindow* window = app_->main.get();
    // The owner of the other windows in a corner, far from the screen's centre.
    if (from != Window::Main || !press.isEmpty())
        window->move(window->screen()->availableGeometry().topLeft());
    if (from == Window::Results)
        QVERIFY(window = showResults());
    Seen seen;
    if (press.isEmpty())
        seen = seeActiveWindow(window);
    else if (auto* item = window->findChild<QAction*>(press))
        seen = seeModal([item] { item->trigger(); });
    else if (auto* button = window->findChild<QPushButton*>(press))
        seen = seeModal([button] { button->click(); });
    else
        QFAIL(qPrintable(press));
    QCOMPARE(seen.focus, focus);

    const QRect screen = app_->main->screen()->availableGeometry();
    if (stands == Stands::Maximized) {
        QVERIFY(seen.maximized);
        QCOMPARE(seen.frame, screen);
    } else {
        QVERIFY(!seen.maximized);
        const QPoint off = seen.frame.center() - screen.center();
        QVERIFY2(std::abs(off.x()) <= seen.slack.width() && std::abs(off.y()) <= seen.slack.height(),
                 qPrintable(QStringLiteral("%1, %2 px off the screen's centre").arg(off.x()).arg(off.y())));
    }
}

QTEST_MAIN(tst_Opening)
#include "tst_opening.moc"
