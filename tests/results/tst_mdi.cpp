// The results frame: placement from the screen width, the bars, the buttons
// and their captions, the menus, the two ways of closing, and the links.

#include "MDI.h"
#include "Style.h"
#include "Twips.h"
#include "frmAbout.h"
#include "frmDisplay.h"
#include "frmSave.h"
#include "modHelp.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <functional>

using namespace modFirdaria;
namespace ui = zorvane::ui;

// Collects the addresses handed to the desktop instead of opening a browser.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

namespace {

enum class CloseWay { BackButton, FileBack, ExitButton, FileExit, CloseBox };

QAction* actionNamed(const MDI& frame, const QString& name)
{
    return frame.findChild<QAction*>(name);
}

QPushButton* buttonNamed(const MDI& frame, const char* name)
{
    return frame.findChild<QPushButton*>(QLatin1String(name));
}

void closeBy(MDI& frame, CloseWay way)
{
    switch (way) {
    case CloseWay::BackButton: buttonNamed(frame, "cmdBack")->click(); break;
    case CloseWay::FileBack: actionNamed(frame, QStringLiteral("mnuBack"))->trigger(); break;
    case CloseWay::ExitButton: buttonNamed(frame, "cmdMdiExit")->click(); break;
    case CloseWay::FileExit: actionNamed(frame, QStringLiteral("mnuExit"))->trigger(); break;
    case CloseWay::CloseBox:
        // The window system's close request, as from the title bar.
        frame.windowHandle()->close();
        break;
    }
}

// Shows a modal window through open(), notes the class of the window that
// came up and the text of its box (if any), and closes it.
struct ModalSeen {
    QString className;
    QString text;
};

ModalSeen seeModal(const std::function<void()>& open)
{
    ModalSeen seen;
    QTimer::singleShot(0, qApp, [&seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        seen.className = QString::fromLatin1(modal->metaObject()->className());
        if (const auto* box = modal->findChild<QTextEdit*>(QStringLiteral("RTB")))
            seen.text = box->toPlainText();
        modal->close();
    });
    open();
    return seen;
}

}  // namespace

Q_DECLARE_METATYPE(CloseWay)

class TestMdi : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void buttonLeftsFollowTheScreenWidth_data();
    void buttonLeftsFollowTheScreenWidth();

    void labelsAndPanelsAreCentred_data();
    void labelsAndPanelsAreCentred();

    void nothingMovesOnResize_data();
    void nothingMovesOnResize();

    void barsAndWindow();

    void captionsFitTheirButtons_data();
    void captionsFitTheirButtons();

    void menus_data();
    void menus();

    void closing_data();
    void closing();

    void frameReportsItsEndingOnce_data();
    void frameReportsItsEndingOnce();

    void linksOpenTheirPage_data();
    void linksOpenTheirPage();

    void comprehensiveReadingHoldsTheNineTexts();
    void aboutBoxIsModal();

private:
    UrlCatcher catcher_;
};

void TestMdi::initTestCase()
{
    ui::installFontSubstitutes();
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher_, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher_, "open");
}

void TestMdi::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

void TestMdi::init()
{
    catcher_.urls.clear();
}

void TestMdi::buttonLeftsFollowTheScreenWidth_data()
{
    QTest::addColumn<double>("screenWidth");
    QTest::addColumn<int>("savePicture");
    QTest::addColumn<int>("comprehensive");
    QTest::addColumn<int>("back");
    QTest::addColumn<int>("exit");

    // Lefts in twips: the screen width less each button's width and its
    // right offset (4500, 2500, 1400, 160).
    QTest::newRow("15360 twips") << 15360.0 << 9525 << 11120 << 13060 << 14225;
    QTest::newRow("19200 twips") << 19200.0 << 13365 << 14960 << 16900 << 18065;
    QTest::newRow("12000 twips") << 12000.0 << 6165 << 7760 << 9700 << 10865;
}

void TestMdi::buttonLeftsFollowTheScreenWidth()
{
    QFETCH(double, screenWidth);
    QFETCH(int, savePicture);
    QFETCH(int, comprehensive);
    QFETCH(int, back);
    QFETCH(int, exit);

    MDI frame;
    frame.MDIForm_Load(screenWidth);
    QCOMPARE(buttonNamed(frame, "cmdSavePicture")->x(), ui::px(savePicture));
    QCOMPARE(buttonNamed(frame, "cmdComprehensive")->x(), ui::px(comprehensive));
    QCOMPARE(buttonNamed(frame, "cmdBack")->x(), ui::px(back));
    QCOMPARE(buttonNamed(frame, "cmdMdiExit")->x(), ui::px(exit));
    // Left to right: Save as JPG, Comprehensive Reading, Back, Exit.
    QVERIFY(buttonNamed(frame, "cmdSavePicture")->geometry().right()
            < buttonNamed(frame, "cmdComprehensive")->x());
    QVERIFY(buttonNamed(frame, "cmdComprehensive")->geometry().right() < buttonNamed(frame, "cmdBack")->x());
    QVERIFY(buttonNamed(frame, "cmdBack")->geometry().right() < buttonNamed(frame, "cmdMdiExit")->x());
}

void TestMdi::labelsAndPanelsAreCentred_data()
{
    QTest::addColumn<double>("screenWidth");
    QTest::addColumn<double>("banner");
    QTest::addColumn<double>("softwareName");
    QTest::addColumn<double>("panels");

    // (screen width - width) / 2 for widths 9480, 5010 and 15000 twips.
    QTest::newRow("15360 twips") << 15360.0 << 2940.0 << 5175.0 << 180.0;
    QTest::newRow("19200 twips") << 19200.0 << 4860.0 << 7095.0 << 2100.0;
}

void TestMdi::labelsAndPanelsAreCentred()
{
    QFETCH(double, screenWidth);
    QFETCH(double, banner);
    QFETCH(double, softwareName);
    QFETCH(double, panels);

    MDI frame;
    frame.MDIForm_Load(screenWidth);
    QCOMPARE(frame.findChild<QLabel*>(QStringLiteral("lblHalvidorBanner"))->x(), ui::px(banner));
    QCOMPARE(frame.findChild<QLabel*>(QStringLiteral("lblSoftwareName"))->x(), ui::px(softwareName));

    // The panels window stands at the top of the client area, without a
    // border of its own.
    const auto* area = frame.findChild<QMdiArea*>();
    QVERIFY(area);
    QCOMPARE(area->subWindowList().size(), 1);
    QCOMPARE(frame.display()->mapTo(area, QPoint(0, 0)), QPoint(ui::px(panels), 0));
}

void TestMdi::nothingMovesOnResize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("small")  << QSize(640, 480);
    QTest::newRow("large")  << QSize(1600, 1200);
}

void TestMdi::nothingMovesOnResize()
{
    QFETCH(QSize, size);

    MDI frame;
    frame.MDIForm_Load(15360);
    frame.setWindowState(Qt::WindowNoState);
    frame.show();
    const QStringList names{"cmdSavePicture", "cmdComprehensive", "cmdBack", "cmdMdiExit",
                            "lblHalvidorBanner", "lblSoftwareName", "Label8"};
    QList<QPoint> before;
    for (const QString& name : names)
        before << frame.findChild<QWidget*>(name)->pos();
    const QPoint panelsBefore = frame.display()->parentWidget()->pos();

    frame.resize(size);
    QTRY_COMPARE(frame.size(), size);
    for (qsizetype i = 0; i < names.size(); ++i)
        QCOMPARE(frame.findChild<QWidget*>(names[i])->pos(), before[i]);
    QCOMPARE(frame.display()->parentWidget()->pos(), panelsBefore);
}

void TestMdi::barsAndWindow()
{
    MDI frame;
    QVERIFY(frame.windowState().testFlag(Qt::WindowMaximized));
    frame.setWindowState(Qt::WindowNoState);
    frame.resize(1280, 1024);
    frame.show();
    QTRY_COMPARE(frame.size(), QSize(1280, 1024));

    QCOMPARE(frame.windowTitle(), QStringLiteral("Zorvane v1.0"));
    const auto* banner = frame.findChild<QWidget*>(QStringLiteral("Picture1"));
    const auto* name = frame.findChild<QWidget*>(QStringLiteral("Picture3"));
    const auto* buttons = frame.findChild<QWidget*>(QStringLiteral("Picture2"));
    const auto* area = frame.findChild<QMdiArea*>();
    QVERIFY(banner && name && buttons && area);
    QCOMPARE(banner->height(), ui::px(615));
    QCOMPARE(name->height(), ui::px(360));
    QCOMPARE(buttons->height(), ui::px(615));
    QCOMPARE(banner->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(buttons->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(area->background().color(), QColor(64, 0, 64));

    // Docked: banner, name, client area, buttons, each the full width, the
    // button bar at the bottom.
    const QWidget* client = frame.centralWidget();
    for (const QWidget* bar : {banner, name, static_cast<const QWidget*>(area), buttons})
        QCOMPARE(bar->width(), client->width());
    QCOMPARE(banner->y(), 0);
    QCOMPARE(name->y(), banner->geometry().bottom() + 1);
    QCOMPARE(area->y(), name->geometry().bottom() + 1);
    QCOMPARE(buttons->y(), area->geometry().bottom() + 1);
    QCOMPARE(buttons->geometry().bottom(), client->height() - 1);
}

void TestMdi::captionsFitTheirButtons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("lines");

    QTest::newRow("cmdSavePicture")   << "cmdSavePicture" << "Save as &JPG" << 1;
    QTest::newRow("cmdComprehensive") << "cmdComprehensive" << "Comprehensive Reading" << 2;
    QTest::newRow("cmdBack")          << "cmdBack" << "&Back" << 1;
    QTest::newRow("cmdMdiExit")       << "cmdMdiExit" << "&Exit" << 1;
}

void TestMdi::captionsFitTheirButtons()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(int, lines);

    const MDI frame;
    const auto* button = frame.findChild<QPushButton*>(name);
    QVERIFY(button);
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->font().pointSizeF(), 8.25);
    QVERIFY(button->font().bold());

    // Wrapped at word boundaries inside the border, the caption fits whole.
    const QFontMetrics metrics(button->font());
    const QRect inside = button->rect().adjusted(2, 1, -2, -1);
    const QRect needed = metrics.boundingRect(inside, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, caption);
    QVERIFY2(inside.contains(needed), qPrintable(QStringLiteral("%1x%2 in %3x%4")
                                                     .arg(needed.width()).arg(needed.height())
                                                     .arg(inside.width()).arg(inside.height())));
    QCOMPARE((needed.height() + metrics.leading()) / metrics.lineSpacing(), lines);
}

void TestMdi::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");

    // "-" stands for a separator.
    QTest::newRow("menu bar") << "" << QStringList{"&File", "&Help", "&Donate", "Make Money &Online"};
    QTest::newRow("mnuFile")  << "mnuFile" << QStringList{"&Back", "E&xit"};
    QTest::newRow("mnuHelp")  << "mnuHelp"
                              << QStringList{"&Online Help", "&Visit Us Online", "-",
                                             "Check for Software &Update", "-", "&About Software"};
}

void TestMdi::menus()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, items);

    const MDI frame;
    const QWidget* owner = menu.isEmpty() ? static_cast<const QWidget*>(frame.menuBar())
                                          : frame.findChild<QMenu*>(menu);
    QVERIFY(owner);
    QStringList shown;
    for (const QAction* action : owner->actions())
        shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(shown, items);

    if (menu.isEmpty()) {
        // Donate and Make Money Online act themselves; they open no submenu.
        for (const char* name : {"mnuDonate", "mkmoney"}) {
            const QAction* action = actionNamed(frame, QLatin1String(name));
            QVERIFY(action);
            QVERIFY(!action->menu());
            QVERIFY(action->isVisible() && action->isEnabled());
        }
    }
}

void TestMdi::closing_data()
{
    QTest::addColumn<CloseWay>("way");
    QTest::addColumn<bool>("back");

    QTest::newRow("Back button")  << CloseWay::BackButton << true;
    QTest::newRow("File > Back")  << CloseWay::FileBack << true;
    QTest::newRow("Exit button")  << CloseWay::ExitButton << false;
    QTest::newRow("File > Exit")  << CloseWay::FileExit << false;
    QTest::newRow("close box")    << CloseWay::CloseBox << false;
}

void TestMdi::closing()
{
    QFETCH(CloseWay, way);
    QFETCH(bool, back);

    QPointer<MDI> frame = new MDI;
    QPointer<frmDisplay> panels = frame->display();
    frame->show();
    QSignalSpy byBack(frame.data(), &MDI::closedByBack);
    QSignalSpy toEnd(frame.data(), &MDI::closedToEnd);

    closeBy(*frame, way);
    QCOMPARE(byBack.count(), back ? 1 : 0);
    QCOMPARE(toEnd.count(), back ? 0 : 1);

    // A closed frame is destroyed, the panels window with it.
    QTRY_VERIFY(frame.isNull());
    QVERIFY(panels.isNull());
}

void TestMdi::frameReportsItsEndingOnce_data()
{
    QTest::addColumn<CloseWay>("way");
    QTest::newRow("Back then closed again") << CloseWay::BackButton;
    QTest::newRow("Exit then closed again") << CloseWay::ExitButton;
}

void TestMdi::frameReportsItsEndingOnce()
{
    QFETCH(CloseWay, way);

    // The general close at the end of the program may close a frame that Back
    // has closed already; that must not bring the main window back.
    auto* frame = new MDI;
    frame->show();
    QSignalSpy byBack(frame, &MDI::closedByBack);
    QSignalSpy toEnd(frame, &MDI::closedToEnd);
    closeBy(*frame, way);
    frame->close();
    QCOMPARE(byBack.count() + toEnd.count(), 1);
    QCOMPARE(byBack.count(), way == CloseWay::BackButton ? 1 : 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestMdi::linksOpenTheirPage_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("address");

    const auto& pages = modHelp::PageAddresses();
    QTest::newRow("lblHalvidorBanner") << "lblHalvidorBanner" << pages.homePage;
    QTest::newRow("Label8")            << "Label8" << pages.fullBrandPage;
    QTest::newRow("mnuOnline")         << "mnuOnline" << pages.onlineHelp;
    QTest::newRow("mnuVisit")          << "mnuVisit" << pages.homePage;
    QTest::newRow("mnuUpdate")         << "mnuUpdate" << pages.downloadPage;
    QTest::newRow("mnuDonate")         << "mnuDonate" << pages.donatePage;
    QTest::newRow("mkmoney")           << "mkmoney" << pages.fullBrandPage;
}

void TestMdi::linksOpenTheirPage()
{
    QFETCH(QString, control);
    QFETCH(QString, address);

    MDI frame;
    if (auto* label = frame.findChild<QLabel*>(control)) {
        QTest::mouseClick(label, Qt::LeftButton, Qt::NoModifier, label->rect().center());
    } else {
        QAction* action = actionNamed(frame, control);
        QVERIFY(action);
        action->trigger();
    }
    QCOMPARE(catcher_.urls, QList<QUrl>{QUrl(address)});
}

void TestMdi::comprehensiveReadingHoldsTheNineTexts()
{
    for (int slot = 0; slot < ReadingTextSlots; ++slot)
        ReadingTexts[static_cast<std::size_t>(slot)] = QStringLiteral("text of slot %1").arg(slot);

    // Slots 0..8 in ruler order, each followed by an empty line; slot 9 never.
    QString expected;
    for (int slot = 0; slot < RulerCount; ++slot)
        expected += QStringLiteral("text of slot %1\n\n").arg(slot);

    MDI frame;
    const ModalSeen seen = seeModal([&] { buttonNamed(frame, "cmdComprehensive")->click(); });
    QCOMPARE(seen.className, QStringLiteral("frmSave"));
    QCOMPARE(seen.text, expected);
}

void TestMdi::aboutBoxIsModal()
{
    MDI frame;
    frame.show();
    const ModalSeen seen = seeModal([&] { actionNamed(frame, QStringLiteral("mnuAbout"))->trigger(); });
    QCOMPARE(seen.className, QStringLiteral("frmAbout"));
    QVERIFY(frame.isVisible());
}

QTEST_MAIN(TestMdi)
#include "tst_mdi.moc"
