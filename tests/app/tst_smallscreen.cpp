// The fixed-size windows on small screens: every screen of the offscreen
// platform (tests/app/CMakeLists.txt), each smaller in device-independent
// pixels than some window's design. On each, a window stands whole on the
// screen, frame and menus included, and every button can be reached there:
// the reading window's text box gives up the room the window lacks, and the
// main window's client area keeps its design and scrolls.

#include "AppTestSupport.h"
#include "Style.h"
#include "Twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHash>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

using zorvane::test::AppWindows;
using zorvane::test::pathIn;
using zorvane::test::Window;
namespace ui = zorvane::ui;

namespace {

QScreen* screenNamed(const QString& name)
{
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == name)
            return screen;
    }
    return nullptr;
}

QString describe(const QRect& rect)
{
    return QStringLiteral("%1,%2 %3x%4").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}

}  // namespace

class tst_SmallScreen : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void fixedWindowsFitTheScreen_data();
    void fixedWindowsFitTheScreen();

private:
    // The windows of one screen: the main window shown there, the others
    // over it.
    std::unique_ptr<AppWindows> app_;
    // The controls Tab visits in each window, on the first screen.
    QHash<Window, QStringList> tabOrders_;
};

void tst_SmallScreen::initTestCase()
{
    ui::installFontSubstitutes();
    QVERIFY(QGuiApplication::screens().size() > 1);
}

void tst_SmallScreen::cleanupTestCase()
{
    app_.reset();
}

void tst_SmallScreen::fixedWindowsFitTheScreen_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<Window>("window");

    // Rule: every window on every screen.
    for (const QScreen* screen : QGuiApplication::screens()) {
        for (const Window window : {Window::Main, Window::Reading, Window::About}) {
            QTest::addRow("%s on %s", qPrintable(zorvane::test::windowKey(window)), qPrintable(screen->name()))
                << screen->name() << window;
        }
    }
}

void tst_SmallScreen::fixedWindowsFitTheScreen()
{
    QFETCH(QString, screen);
    QFETCH(Window, window);
    QScreen* onScreen = screenNamed(screen);
    QVERIFY(onScreen);

    if (!app_ || app_->main->screen() != onScreen) {
        app_.reset();
        app_ = std::make_unique<AppWindows>();
        app_->main = std::make_unique<frmMain>();
        app_->main->setScreen(onScreen);
        QVERIFY(app_->main->Form_Load(app_->folder.path()));
        app_->main->showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(app_->main.get()));
    }
    if (window == Window::Reading && !app_->reading) {
        app_->reading = std::make_unique<frmSave>(app_->main.get());
        app_->reading->insertComprehensiveReading();
    }
    if (window == Window::About && !app_->about)
        app_->about = std::make_unique<frmAbout>(app_->main.get());
    QWidget* shown = app_->window(window);
    QVERIFY(shown);
    shown->show();
    QVERIFY(QTest::qWaitForWindowExposed(shown));

    QCOMPARE(shown->screen(), onScreen);
    const QRect available = onScreen->availableGeometry();
    QVERIFY2(available.contains(shown->frameGeometry()), qPrintable(describe(shown->frameGeometry())));
    const auto onScreenWhole = [&](const QWidget* widget) {
        const QRect inWindow(widget->mapTo(shown, QPoint(0, 0)), widget->size());
        return shown->rect().contains(inWindow)
               && available.contains(inWindow.translated(shown->mapToGlobal(QPoint(0, 0))));
    };

    // The menus whole on the screen, the client area as designed.
    if (auto* main = qobject_cast<QMainWindow*>(shown)) {
        QVERIFY(onScreenWhole(main->menuBar()));
        for (QAction* menu : main->menuBar()->actions())
            QVERIFY2(main->menuBar()->rect().contains(main->menuBar()->actionGeometry(menu)), qPrintable(menu->text()));
        QCOMPARE(main->findChild<QWidget*>(QStringLiteral("frmMainClient"))->size(), ui::twipSize(7350, 4215));
    }

    // Every button, scrolled to where its area scrolls, whole inside the
    // window and on the screen, the topmost widget at its centre.
    for (QAbstractButton* button : shown->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(shown))
            continue;
        if (auto* area = shown->findChild<QScrollArea*>())
            area->ensureWidgetVisible(button, 0, 0);
        const QString name = pathIn(button, shown);
        QVERIFY2(onScreenWhole(button), qPrintable(name));
        QCOMPARE(shown->childAt(button->mapTo(shown, button->rect().center())), button);
    }

    // Tab visits the same controls in the same order on every screen, each
    // scrolled into sight.
    QStringList visited;
    QWidget* focused = shown->focusWidget();
    for (int press = 0; focused && press < 2 * shown->findChildren<QWidget*>().size(); ++press) {
        const QPoint centre = focused->mapTo(shown, focused->rect().center());
        const QWidget* hit = shown->childAt(centre);
        QVERIFY2((hit == focused || focused->isAncestorOf(hit)) && available.contains(shown->mapToGlobal(centre)),
                 qPrintable(focused->objectName()));
        visited << focused->objectName();
        QTest::keyClick(focused, Qt::Key_Tab);
        focused = shown->focusWidget();
        if (focused && focused->objectName() == visited.constFirst())
            break;
    }
    if (!tabOrders_.contains(window))
        tabOrders_.insert(window, visited);
    QCOMPARE(visited, tabOrders_.value(window));

    // A text box that gave up room scrolls through the whole text.
    if (auto* box = shown->findChild<QTextEdit*>(); box && box->verticalScrollBar()->isVisible()) {
        QVERIFY(onScreenWhole(box));
        box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
        const QTextCursor end(box->document()->lastBlock());
        QVERIFY(box->viewport()->rect().intersects(box->cursorRect(end)));
    }
}

QTEST_MAIN(tst_SmallScreen)
#include "tst_smallscreen.moc"
