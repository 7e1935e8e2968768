// The results frame: placement from the screen width, the bars, the button
// captions, the menus, the two ways of closing and the modal windows.

#include "MDI.h"
#include "ResultsTestSupport.h"
#include "Style.h"
#include "Twips.h"
#include "frmDisplay.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <algorithm>

using namespace modFirdaria;
using zorvane::test::handleModal;
using zorvane::test::ModalSeen;
using zorvane::test::seeModal;
namespace ui = zorvane::ui;

namespace {

QWidget* widgetNamed(const MDI& frame, const char* name)
{
    return frame.findChild<QWidget*>(QLatin1String(name));
}

QAction* actionNamed(const MDI& frame, const QString& name)
{
    return frame.findChild<QAction*>(name);
}

}  // namespace

Q_DECLARE_METATYPE(modFirdaria::BirthData)

class tst_MDI : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void placedFromTheScreenWidth_data();
    void placedFromTheScreenWidth();

    void barsAndWindow();

    void restoredToTheDesignSize();
    void scrollBarsFollowTheSizeAtOnce_data();
    void scrollBarsFollowTheSizeAtOnce();

    void menus_data();
    void menus();

    void tabFollowsThePeriodsInTime_data();
    void tabFollowsThePeriodsInTime();
    void panelsWindowIsNamed();

    void comprehensiveReadingHoldsTheNineTexts();
    void aboutBoxIsModal();
    void preparingOpensNoWindow();
    void everyTextIsInAPreparedFont();
};

void tst_MDI::initTestCase()
{
    ui::installFontSubstitutes();
}

void tst_MDI::placedFromTheScreenWidth_data()
{
    QTest::addColumn<double>("screenWidth");
    QTest::addColumn<QList<double>>("buttonLefts");   // Save as JPG, Comprehensive Reading, Back, Exit
    QTest::addColumn<QList<double>>("centredLefts");  // banner, product name, panels window

    // Buttons: the screen width less each button's width and its right
    // offset (4500, 2500, 1400, 160). Centred: (screen width - width) / 2
    // for widths 9480, 5010 and 15000. All in twips. The 1280-pixel screen
    // (19200 twips) is tst_layout's.
    // clang-format off
    QTest::newRow("15360 twips") << 15360.0 << QList<double>{9525, 11120, 13060, 14225}
                                 << QList<double>{2940, 5175, 180};
    QTest::newRow("12000 twips") << 12000.0 << QList<double>{6165, 7760, 9700, 10865}
                                 << QList<double>{1260, 3495, -1500};
    // clang-format on
}

void tst_MDI::placedFromTheScreenWidth()
{
    QFETCH(double, screenWidth);
    QFETCH(QList<double>, buttonLefts);
    QFETCH(QList<double>, centredLefts);

    MDI frame;
    frame.MDIForm_Load(screenWidth);
    const QList<QWidget*> buttons{widgetNamed(frame, "cmdSavePicture"), widgetNamed(frame, "cmdComprehensive"),
                                  widgetNamed(frame, "cmdBack"), widgetNamed(frame, "cmdMdiExit")};
    for (qsizetype i = 0; i < buttons.size(); ++i)
        QCOMPARE(buttons[i]->x(), ui::px(buttonLefts[i]));
    QCOMPARE(widgetNamed(frame, "lblHalvidorBanner")->x(), ui::px(centredLefts[0]));
    QCOMPARE(widgetNamed(frame, "lblSoftwareName")->x(), ui::px(centredLefts[1]));

    // The panels window is the area's only child, at the top of the client
    // area, without a border of its own.
    const auto* area = frame.findChild<QMdiArea*>();
    QVERIFY(area);
    QCOMPARE(area->subWindowList().size(), 1);
    QCOMPARE(frame.display()->mapTo(area, QPoint(0, 0)), QPoint(ui::px(centredLefts[2]), 0));
}

void tst_MDI::barsAndWindow()
{
    MDI frame;
    QCOMPARE(frame.windowTitle(), QStringLiteral("Zorvane v1.0"));
    QVERIFY(frame.windowState().testFlag(Qt::WindowMaximized));
    frame.setWindowState(Qt::WindowNoState);
    frame.MDIForm_Load(15360);
    frame.resize(1280, 1024);
    frame.show();
    QTRY_COMPARE(frame.size(), QSize(1280, 1024));

    const QWidget* name = widgetNamed(frame, "Picture3");
    const QWidget* buttons = widgetNamed(frame, "Picture2");
    const auto* area = frame.findChild<QMdiArea*>();
    QVERIFY(name && buttons && area);
    QCOMPARE(area->background().color(), QColor(64, 0, 64));
    for (const char* label : {"lblHalvidorBanner", "lblSoftwareName", "Label8"})
        QCOMPARE(widgetNamed(frame, label)->palette().color(QPalette::WindowText), QColor(64, 0, 64));

    // The area fills the client area between the name strip and the buttons.
    QCOMPARE(area->geometry(), QRect(QPoint(0, name->geometry().bottom() + 1),
                                     QPoint(frame.centralWidget()->width() - 1, buttons->y() - 1)));

    // Nothing inside the bars moves when the frame is resized.
    const QPoint exitBefore = widgetNamed(frame, "cmdMdiExit")->pos();
    const QPoint panelsBefore = frame.display()->mapTo(area, QPoint(0, 0));
    frame.resize(640, 480);
    QTRY_COMPARE(frame.size(), QSize(640, 480));
    QCOMPARE(widgetNamed(frame, "cmdMdiExit")->pos(), exitBefore);
    QCOMPARE(frame.display()->mapTo(area, QPoint(0, 0)), panelsBefore);
}

// The frame opens maximized over the screen; un-maximized, it takes its
// design size, a client area below the menu bar of 11175 x 8025 twips.
void tst_MDI::restoredToTheDesignSize()
{
    MDI frame;
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QVERIFY(frame.isMaximized());
    QCOMPARE(frame.frameGeometry(), frame.screen()->availableGeometry());

    frame.showNormal();
    QTRY_VERIFY(!frame.isMaximized());
    QTRY_COMPARE(frame.centralWidget()->size(), ui::twipSize(11175, 8025));
    QCOMPARE(frame.centralWidget()->y(), frame.menuBar()->height());
}

// The area shows or hides its scroll bars as soon as its size changes, before
// the next paint: the frame, laid out at its design size where the panels
// window needs them, is maximized to a size where it needs none and paints
// once, without them. Rows: the room around the panels window after the
// resize in pixels (a negative room crops it), one pixel and more either side
// of exactly fitting.
void tst_MDI::scrollBarsFollowTheSizeAtOnce_data()
{
    QTest::addColumn<int>("margin");
    for (const int margin : {-200, -1, 1, 200})
        QTest::addRow("margin %d", margin) << margin;
}

void tst_MDI::scrollBarsFollowTheSizeAtOnce()
{
    QFETCH(int, margin);

    MDI frame;
    frame.setWindowState(Qt::WindowNoState);
    frame.MDIForm_Load(15360);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const auto* area = frame.findChild<QMdiArea*>();
    const QWidget* panels = frame.findChild<QWidget*>(QStringLiteral("frmDisplayWindow"));
    QVERIFY(area && panels);
    const QPoint end = panels->geometry().bottomRight() + QPoint(1, 1);
    const QSize size = frame.size() - area->size() + QSize(end.x() + margin, end.y() + margin);
    frame.resize(size);
    QCOMPARE(frame.size(), size);
    QCOMPARE(area->horizontalScrollBar()->isVisible(), margin < 0);
    QCOMPARE(area->verticalScrollBar()->isVisible(), margin < 0);
}

void tst_MDI::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");

    // "-" stands for a separator.
    // clang-format off
    QTest::newRow("menu bar") << "" << QStringList{"&File", "&Help", "&Donate", "Make Money &Online"};
    QTest::newRow("mnuFile")  << "mnuFile" << QStringList{"&Back", "E&xit"};
    QTest::newRow("mnuHelp")  << "mnuHelp"
                              << QStringList{"&Online Help", "&Visit Us Online", "-",
                                             "Check for Software &Update", "-", "&About Software"};
    // clang-format on
}

void tst_MDI::menus()
{
    QFETCH(QString, menu);
    QFETCH(QStringList, items);

    const MDI frame;
    const QWidget* owner =
        menu.isEmpty() ? static_cast<const QWidget*>(frame.menuBar()) : frame.findChild<QMenu*>(menu);
    QVERIFY(owner);
    QStringList shown;
    for (const QAction* action : owner->actions())
        shown << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(shown, items);
}

void tst_MDI::tabFollowsThePeriodsInTime_data()
{
    QTest::addColumn<BirthData>("before");  // the reading shown first
    QTest::addColumn<BirthData>("birth");
    QTest::addColumn<QStringList>("periods");  // Tab's stops after the time of birth

    QStringList panels;
    for (int panel = 0; panel < PeriodPanels::PanelCount; ++panel)
        panels << QStringLiteral("fraPlanetName(%1)").arg(panel);
    const QStringList nodes{QStringLiteral("lblNNodePlanetName"), QStringLiteral("lblSNodePlanetName")};
    const BirthData day{15, 3, 1980, TimeOfBirth::Day};
    const BirthData night{15, 3, 1980, TimeOfBirth::Night};
    // By day the nodes end the periods; by night they follow Mars, the
    // fourth panel.
    // clang-format off
    QTest::newRow("day after night") << night << day << panels + nodes;
    QTest::newRow("night after day") << day << night << panels.mid(0, 4) + nodes + panels.mid(4);
    // clang-format on
}

// Tab goes from the time of birth through the periods in the order they
// come in time, whatever reading the panels showed before, and on to the
// first description button.
void tst_MDI::tabFollowsThePeriodsInTime()
{
    QFETCH(BirthData, before);
    QFETCH(BirthData, birth);
    QFETCH(QStringList, periods);

    MDI frame;
    zorvane::test::fillWith(*frame.display(), before);
    zorvane::test::fillWith(*frame.display(), birth);
    frame.show();
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QWidget* timeOfBirth = widgetNamed(frame, "lblTimeOfBirth");
    timeOfBirth->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), timeOfBirth);

    QStringList visited;
    for (qsizetype stop = 0; stop <= periods.size(); ++stop) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, periods + QStringList{QStringLiteral("cmdDesc(0)")});
}

// The panels window's frame, which shows no title, is named for assistive
// technology, which says the name as the focus enters it.
void tst_MDI::panelsWindowIsNamed()
{
    MDI frame;
    QWidget* panelsWindow = frame.display()->parentWidget();
    QVERIFY(panelsWindow);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(panelsWindow);
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Firdaria periods"));
}

void tst_MDI::comprehensiveReadingHoldsTheNineTexts()
{
    zorvane::test::markReadingTexts();

    // Slots 0..8 in ruler order, each followed by an empty line; slot 9 never.
    QString expected;
    for (int slot = 0; slot < RulerCount; ++slot)
        expected += QStringLiteral("text of slot %1\n\n").arg(slot);

    MDI frame;
    const ModalSeen seen =
        seeModal([&] { frame.findChild<QPushButton*>(QStringLiteral("cmdComprehensive"))->click(); });
    QCOMPARE(seen.className, QStringLiteral("frmSave"));
    QCOMPARE(seen.text, expected);
}

// The About item opens one About box, modal over the frame, which stays;
// the item returns before the box opens: assistive technology presses it
// through a call that waits for it to return.
void tst_MDI::aboutBoxIsModal()
{
    MDI frame;
    frame.show();
    bool returned = false;
    QStringList opened;  // the modal windows shown, once the item had returned
    const auto open = [&] {
        actionNamed(frame, QStringLiteral("mnuAbout"))->trigger();
        returned = true;
    };
    QVERIFY(handleModal(open, [&](QWidget* box) {
        for (const QWidget* w : QApplication::topLevelWidgets())
            if (returned && w->isVisible() && w->isModal())
                opened << QString::fromLatin1(w->metaObject()->className());
        box->close();
    }));
    QCOMPARE(opened, QStringList{QStringLiteral("frmAbout")});
    QVERIFY(frame.isVisible());
}

void tst_MDI::preparingOpensNoWindow()
{
    // The frame and its panels are created by the press that asks for a
    // reading, never ahead of it: preparing loads fonts and icons only.
    const qsizetype widgetsBefore = QApplication::allWidgets().size();
    MDI::prepareFirstShowing(zorvane::test::subPeriodNamesByRule());
    QCOMPARE(QApplication::allWidgets().size(), widgetsBefore);
}

void tst_MDI::everyTextIsInAPreparedFont()
{
    // A text in a font that preparing misses still shows, only its first
    // showing is slower: this catches a font added to the windows but not to
    // MDI::fonts().
    const QList<QFont> fonts = MDI::fonts();
    const auto prepared = [&fonts](const QFont& font) {
        return std::any_of(fonts.cbegin(), fonts.cend(), [&font](const QFont& f) {
            return f.family() == font.family() && f.pointSizeF() == font.pointSizeF() && f.weight() == font.weight()
                   && f.italic() == font.italic();
        });
    };

    MDI frame;
    int texts = 0;
    for (const QWidget* widget : frame.findChildren<QWidget*>()) {
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(widget))
            text = label->text();
        else if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
            text = button->text();
        else if (const auto* panel = qobject_cast<const QGroupBox*>(widget))
            text = panel->title();
        if (text.isEmpty() || !widget->isVisibleTo(&frame))
            continue;
        ++texts;
        QVERIFY2(prepared(widget->font()),
                 qPrintable(widget->objectName() + QStringLiteral(": ") + widget->font().toString()));
    }
    // The panels' 84 rows, 9 captions, 9 description buttons and more.
    QCOMPARE_GT(texts, 100);
}

QTEST_MAIN(tst_MDI)
#include "tst_mdi.moc"
