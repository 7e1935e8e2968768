// The fixed-size windows on a small screen: 800 x 600 pixels at scale 1.5,
// so 533 x 400 device-independent pixels. A window that fits keeps its
// design; one that does not (the reading window, 7590 twips high) fits the
// screen with its frame, its text box giving up the room and scrolling, and
// every button stays whole on the screen, where a click reaches it.

#include "AppTestSupport.h"
#include "Style.h"
#include "Twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

using zorvane::test::AppWindows;
using zorvane::test::pathIn;
using zorvane::test::shownMainWindow;
using zorvane::test::Window;
namespace ui = zorvane::ui;

namespace {

constexpr double ScaleFactor = 1.5;
const QSize ScreenSize(533, 400);  // 800 x 600 pixels at scale 1.5

// The part of a window laid out in twips: a main window's client area below
// its menu bar, a dialog's whole inside.
const QWidget* designedArea(const QWidget* window)
{
    if (const auto* main = qobject_cast<const QMainWindow*>(window))
        return main->centralWidget();
    return window;
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
    std::unique_ptr<AppWindows> app_;
};

void tst_SmallScreen::initTestCase()
{
    ui::installFontSubstitutes();
    app_ = std::make_unique<AppWindows>();
    app_->main = shownMainWindow(app_->folder.path());
    QVERIFY(app_->main);
    QCOMPARE(app_->main->devicePixelRatio(), ScaleFactor);
    QCOMPARE(app_->main->screen()->availableGeometry().size(), ScreenSize);
}

void tst_SmallScreen::cleanupTestCase()
{
    app_.reset();
}

void tst_SmallScreen::fixedWindowsFitTheScreen_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QSize>("design");  // of the designed area, in pixels
    QTest::addColumn<bool>("fits");     // the design fits the screen as it is

    // clang-format off
    QTest::newRow("main window") << Window::Main << ui::twipSize(7350, 4215) << true;
    QTest::newRow("reading window") << Window::Reading << ui::twipSize(7725, 7590) << false;
    QTest::newRow("About box") << Window::About << ui::twipSize(6825, 3870) << true;
    // clang-format on
}

void tst_SmallScreen::fixedWindowsFitTheScreen()
{
    QFETCH(Window, window);
    QFETCH(QSize, design);
    QFETCH(bool, fits);

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

    const QRect screen = shown->screen()->availableGeometry();
    QVERIFY2(screen.contains(shown->frameGeometry()), qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                                                     .arg(shown->frameGeometry().x())
                                                                     .arg(shown->frameGeometry().y())
                                                                     .arg(shown->frameGeometry().width())
                                                                     .arg(shown->frameGeometry().height())));

    const QSize area = designedArea(shown)->size();
    if (fits) {
        QCOMPARE(area, design);
    } else {
        // As wide as designed, as high as the screen allows.
        QCOMPARE(area.width(), design.width());
        QVERIFY2(area.height() < design.height(), qPrintable(QString::number(area.height())));
    }

    // Every button whole inside the window and on the screen, the topmost
    // widget at its centre.
    for (QAbstractButton* button : shown->findChildren<QAbstractButton*>()) {
        // The main window's Exit button lies below its client area by design.
        if (!button->isVisibleTo(shown) || button->objectName() == QLatin1String("cmdExit"))
            continue;
        const QRect inWindow(button->mapTo(shown, QPoint(0, 0)), button->size());
        const QString name = pathIn(button, shown);
        QVERIFY2(shown->rect().contains(inWindow), qPrintable(name));
        QVERIFY2(screen.contains(inWindow.translated(shown->mapToGlobal(QPoint(0, 0)))), qPrintable(name));
        QCOMPARE(shown->childAt(inWindow.center()), button);
    }

    // A text box that gave up room scrolls through the whole text.
    if (auto* box = shown->findChild<QTextEdit*>(); box && !fits) {
        QVERIFY(shown->rect().contains(QRect(box->mapTo(shown, QPoint(0, 0)), box->size())));
        QVERIFY(box->verticalScrollBar()->isVisible());
        box->verticalScrollBar()->setValue(box->verticalScrollBar()->maximum());
        const QTextCursor end(box->document()->lastBlock());
        QVERIFY(box->viewport()->rect().intersects(box->cursorRect(end)));
    }
}

QTEST_MAIN(tst_SmallScreen)
#include "tst_smallscreen.moc"
