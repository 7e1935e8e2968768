// The mouse on the twenty links of the four windows, the ten link labels and
// the ten link menu items: a click opens its page once, and so does a
// double-click, whose second press the window system delivers as a
// double-click event.

#include "AppTestSupport.h"
#include "LinkLabel.h"
#include "modHelp.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWindow>

#include <memory>

using zorvane::test::AppWindows;
using zorvane::test::filledResultsFrame;
using zorvane::test::UrlCatcher;
using zorvane::test::Window;
using zorvane::test::windowKey;
using zorvane::ui::LinkLabel;

namespace {

const QList<Window> AllWindows{Window::Main, Window::Results, Window::Reading, Window::About};

struct Link {
    Window window;
    const char* control;
    QString page;
};

QList<Link> links()
{
    const auto& pages = modHelp::PageAddresses();
    return {
        {Window::Main, "Label61", pages.homePage},
        {Window::Main, "lblFullBrand", pages.fullBrandPage},
        {Window::Main, "lblCobrand", pages.coBrandPage},
        {Window::Main, "mnuOnline", pages.onlineHelp},
        {Window::Main, "mnuVisit", pages.homePage},
        {Window::Main, "mnuUpdate", pages.downloadPage},
        {Window::Main, "mnuDonate", pages.donatePage},
        {Window::Main, "mnumakemoney", pages.fullBrandPage},
        {Window::Results, "lblHalvidorBanner", pages.homePage},
        {Window::Results, "Label8", pages.fullBrandPage},
        {Window::Results, "mnuOnline", pages.onlineHelp},
        {Window::Results, "mnuVisit", pages.homePage},
        {Window::Results, "mnuUpdate", pages.downloadPage},
        {Window::Results, "mnuDonate", pages.donatePage},
        {Window::Results, "mkmoney", pages.fullBrandPage},
        {Window::Reading, "Label14", pages.homePage},
        {Window::Reading, "Label1", pages.homePage},
        {Window::Reading, "Label2", pages.fullBrandPage},
        {Window::About, "lblHomePage", pages.homePage},
        {Window::About, "lblCoBrand", pages.fullBrandPage},
    };
}

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

// The centre of a widget's rectangle r, in global coordinates.
QPoint globalCentre(const QWidget* widget, const QRect& r)
{
    return widget->mapToGlobal(r.center());
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
    QWidget* windowOf(Window window) const { return app_->window(window); }
    // Shows only this window and makes it the active one.
    bool showOnly(Window window);
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

    app_->main = std::make_unique<frmMain>();
    QVERIFY(app_->main->Form_Load(app_->folder.path()));
    app_->results = filledResultsFrame(modFirdaria::BirthData{15, 3, 1990, modFirdaria::TimeOfBirth::Day});
    app_->reading = std::make_unique<frmSave>();
    app_->reading->insertReadingText(0);
    app_->about = std::make_unique<frmAbout>();
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

bool tst_LinkClicks::showOnly(Window window)
{
    for (Window other : AllWindows)
        if (other != window)
            windowOf(other)->hide();
    QWidget* shown = windowOf(window);
    shown->show();
    if (!QTest::qWaitForWindowExposed(shown))
        return false;
    shown->activateWindow();
    return QTest::qWaitFor([shown] { return shown->isActiveWindow(); });
}

void tst_LinkClicks::clickMenuItem(QMainWindow* window, QAction* item, Clicks clicks)
{
    QMenuBar* bar = window->menuBar();
    if (bar->actions().contains(item)) {
        clickAt(bar, globalCentre(bar, bar->actionGeometry(item)), clicks, window);
        return;
    }
    for (QAction* title : bar->actions()) {
        QMenu* menu = title->menu();
        if (!menu || !menu->actions().contains(item))
            continue;
        clickAt(bar, globalCentre(bar, bar->actionGeometry(title)), Clicks::Single, window);
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        // The first click closes the menu; a second goes to the window below.
        clickAt(menu, globalCentre(menu, menu->actionGeometry(item)), clicks, window);
        QTRY_VERIFY(!menu->isVisible());
        return;
    }
    QFAIL("the item is on no menu of the window");
}

void tst_LinkClicks::everyLinkIsListed_data()
{
    QTest::addColumn<Window>("window");
    for (Window window : AllWindows)
        QTest::newRow(qPrintable(windowKey(window))) << window;
}

// Every link label of the window, and every menu item that opens a page
// (all but the About box and the navigation items), is in the table.
void tst_LinkClicks::everyLinkIsListed()
{
    QFETCH(Window, window);

    const QStringList notLinks{QStringLiteral("mnuAbout"), QStringLiteral("mnuNext"), QStringLiteral("mnuBack"),
                               QStringLiteral("mnuExit")};
    QStringList inWindow;
    for (const LinkLabel* label : windowOf(window)->findChildren<LinkLabel*>())
        inWindow << label->objectName();
    for (const QAction* item : windowOf(window)->findChildren<QAction*>())
        if (!item->objectName().isEmpty() && !item->isSeparator() && !item->menu()
            && !notLinks.contains(item->objectName()))
            inWindow << item->objectName();
    QStringList listed;
    for (const Link& link : links())
        if (link.window == window)
            listed << QLatin1String(link.control);
    inWindow.sort();
    listed.sort();
    QCOMPARE(inWindow, listed);
}

void tst_LinkClicks::opensThePageOnce_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<Clicks>("clicks");
    QTest::addColumn<QString>("page");

    for (const Link& link : links())
        for (const auto& [clicks, name] :
             {std::pair{Clicks::Single, "click"}, std::pair{Clicks::Double, "double-click"}})
            // clang-format off
            QTest::addRow("%s: %s, %s", qPrintable(windowKey(link.window)), link.control, name)
                << link.window << QString::fromLatin1(link.control) << clicks << link.page;
    // clang-format on
}

void tst_LinkClicks::opensThePageOnce()
{
    QFETCH(Window, window);
    QFETCH(QString, control);
    QFETCH(Clicks, clicks);
    QFETCH(QString, page);

    // The two offers of the main window share one place; the one in front
    // takes the clicks.
    if (window == Window::Main)
        app_->main->bringOfferToFront(control == QLatin1String("lblCobrand") ? frmMain::Offer::CoBrand
                                                                             : frmMain::Offer::FullBrand);
    QVERIFY(showOnly(window));
    QWidget* shown = windowOf(window);

    if (auto* label = shown->findChild<LinkLabel*>(control)) {
        clickAt(label, globalCentre(label, label->rect()), clicks, shown);
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
