// The mouse on the twenty links of the four windows, the ten link labels and
// the ten link menu items: a click opens its page once, and so does a
// double-click, whose second press the window system delivers as a
// double-click event.

#include "AppTestSupport.h"
#include "LinkLabel.h"
#include "LinkPages.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWindow>

#include <memory>

using zorvane::test::AppWindows;
using zorvane::test::FourWindows;
using zorvane::test::LinkKind;
using zorvane::test::LinkPage;
using zorvane::test::linkPages;
using zorvane::test::UrlCatcher;
using zorvane::test::Window;
using zorvane::test::windowKey;
using zorvane::ui::LinkLabel;

namespace {

enum class Clicks { Single, Double };

// Presses and releases the left button at a global point, once or twice
// within the double-click time, as the window system does: each event goes
// to the window under the pointer at that moment, which is `target`'s
// window, or `beneath`'s once a first click has closed `target` (a menu).
// The second press of a double-click reaches the widgets as a double-click
// event.
void clickAt(QWidget* target, QPoint global, Clicks clicks, QWidget* beneath)
{
    // Apart from the other mouse events of the test, so that only the two
    // clicks here can make a double-click.
    constexpr int Apart = 10000;
    int time = QTest::lastMouseTimestamp + Apart;
    const auto send = [&](QEvent::Type type) {
        QWidget* under = target->isVisible() ? target : beneath;
        QWindow* window = under->window()->windowHandle();
        const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        qt_handleMouseEvent(window, window->mapFromGlobal(global), global, held, Qt::LeftButton, type, {}, ++time);
    };
    for (int click = 0; click < (clicks == Clicks::Double ? 2 : 1); ++click) {
        send(QEvent::MouseButtonPress);
        send(QEvent::MouseButtonRelease);
    }
    QTest::lastMouseTimestamp = time + Apart;
}

}  // namespace

Q_DECLARE_METATYPE(Clicks)

class tst_LinkClicks : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void everyLinkIsListed_data();
    void everyLinkIsListed();

    void opensThePageOnce_data();
    void opensThePageOnce();

private:
    // Clicks the menu item, opening its menu from the menu bar first when it
    // lies on one.
    void clickMenuItem(QMainWindow* window, QAction* item, Clicks clicks);

    std::unique_ptr<AppWindows> app_;
    std::unique_ptr<UrlCatcher> urls_;
};

void tst_LinkClicks::initTestCase()
{
    app_ = std::make_unique<AppWindows>();
    urls_ = std::make_unique<UrlCatcher>();
    QVERIFY(app_->openAllFour());
}

void tst_LinkClicks::cleanupTestCase()
{
    app_.reset();
    urls_.reset();
}

void tst_LinkClicks::init()
{
    urls_->opened.clear();
}

void tst_LinkClicks::clickMenuItem(QMainWindow* window, QAction* item, Clicks clicks)
{
    QMenuBar* bar = window->menuBar();
    if (bar->actions().contains(item)) {
        clickAt(bar, bar->mapToGlobal(bar->actionGeometry(item).center()), clicks, window);
        return;
    }
    for (QAction* title : bar->actions()) {
        QMenu* menu = title->menu();
        if (!menu || !menu->actions().contains(item))
            continue;
        clickAt(bar, bar->mapToGlobal(bar->actionGeometry(title).center()), Clicks::Single, window);
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        // The first click closes the menu; a second goes to the window below.
        clickAt(menu, menu->mapToGlobal(menu->actionGeometry(item).center()), clicks, window);
        QTRY_VERIFY(!menu->isVisible());
        return;
    }
    QFAIL("the item is on no menu of the window");
}

void tst_LinkClicks::everyLinkIsListed_data()
{
    QTest::addColumn<Window>("window");
    for (Window window : FourWindows)
        QTest::newRow(qPrintable(windowKey(window))) << window;
}

// Every link label of the window, and every menu item that opens a page
// (all but the About box and the navigation items), is in the table, as
// what it is.
void tst_LinkClicks::everyLinkIsListed()
{
    QFETCH(Window, window);

    const auto entry = [](LinkKind kind, const QString& name) {
        return (kind == LinkKind::Label ? QStringLiteral("label ") : QStringLiteral("menu item ")) + name;
    };
    const QStringList notLinks{QStringLiteral("mnuAbout"), QStringLiteral("mnuNext"), QStringLiteral("mnuBack"),
                               QStringLiteral("mnuExit")};
    QStringList inWindow;
    for (const LinkLabel* label : app_->window(window)->findChildren<LinkLabel*>())
        inWindow << entry(LinkKind::Label, label->objectName());
    for (const QAction* item : app_->window(window)->findChildren<QAction*>())
        if (!item->objectName().isEmpty() && !item->isSeparator() && !item->menu()
            && !notLinks.contains(item->objectName()))
            inWindow << entry(LinkKind::MenuItem, item->objectName());
    QStringList listed;
    for (const LinkPage& link : linkPages(window))
        listed << entry(link.kind, link.controlName());
    inWindow.sort();
    listed.sort();
    QCOMPARE(inWindow, listed);
}

void tst_LinkClicks::opensThePageOnce_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<LinkKind>("kind");
    QTest::addColumn<Clicks>("clicks");
    QTest::addColumn<QString>("page");

    for (const LinkPage& link : linkPages()) {
        for (const auto& [clicks, name] :
             {std::pair{Clicks::Single, "click"}, std::pair{Clicks::Double, "double-click"}}) {
            // clang-format off
            QTest::addRow("%s: %s, %s", qPrintable(windowKey(link.window)), link.control, name)
                << link.window << link.controlName() << link.kind << clicks << link.address();
            // clang-format on
        }
    }
}

void tst_LinkClicks::opensThePageOnce()
{
    QFETCH(Window, window);
    QFETCH(QString, control);
    QFETCH(LinkKind, kind);
    QFETCH(Clicks, clicks);
    QFETCH(QString, page);

    // The two offers of the main window share one place; the one in front
    // takes the clicks.
    if (window == Window::Main)
        app_->main->bringOfferToFront(control == QLatin1String("lblCobrand") ? frmMain::Offer::CoBrand
                                                                             : frmMain::Offer::FullBrand);
    QVERIFY(app_->showOnly(window));
    QWidget* shown = app_->window(window);

    if (kind == LinkKind::Label) {
        auto* label = shown->findChild<LinkLabel*>(control);
        QVERIFY(label);
        clickAt(label, label->mapToGlobal(label->rect().center()), clicks, shown);
    } else {
        auto* item = shown->findChild<QAction*>(control);
        QVERIFY(item);
        clickMenuItem(qobject_cast<QMainWindow*>(shown), item, clicks);
        if (QTest::currentTestFailed())
            return;
    }

    QCOMPARE(urls_->opened, QStringList{page});
    QVERIFY(shown->isVisible());
    QCOMPARE(app_->fake.messages.size(), 0);
}

QTEST_MAIN(tst_LinkClicks)
#include "tst_linkclicks.moc"
