// Keyboard and assistive-technology access to every window: the Tab chain of
// each window, the accessible name and description of every control, nothing
// announced as visible that is out of sight, the link labels' keys, focus
// mark and press action.

#include "AppTestSupport.h"
#include "FillResults.h"
#include "LinkLabel.h"
#include "LinkPages.h"
#include "PeriodPanel.h"
#include "RecordedPanels.h"
#include "SpokenCaptions.h"
#include "frmDisplay.h"
#include "modFirdaria.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>

#include <algorithm>
#include <memory>

using namespace zorvane::test;
using zorvane::ui::LinkLabel;

namespace {

// One row per window, tagged by its key, in a column "window".
void addWindowRows()
{
    QTest::addColumn<Window>("window");
    for (Window window : FourWindows)
        QTest::newRow(qPrintable(windowKey(window))) << window;
}

// The controls on each window's Tab chain, in the order Tab visits them.
QStringList tabChain(Window window)
{
    switch (window) {
    case Window::Main:
        return {QStringLiteral("cmdNext"),     QStringLiteral("cboDate"),   QStringLiteral("cboMonth"),
                QStringLiteral("cboYear"),     QStringLiteral("optDay(0)"), QStringLiteral("Label61"),
                QStringLiteral("lblFullBrand")};
    case Window::Results: {
        // The periods of the reading the tests show, a day birth's: the
        // panels, then the nodes.
        QStringList chain{QStringLiteral("lblHalvidorBanner")};
        for (int panel = 0; panel < PeriodPanels::PanelCount; ++panel)
            chain << QStringLiteral("fraPlanetName(%1)").arg(panel);
        chain << QStringLiteral("lblNNodePlanetName") << QStringLiteral("lblSNodePlanetName");
        for (int i = 0; i < frmDisplay::DescButtonCount; ++i)
            chain << QStringLiteral("cmdDesc(%1)").arg(i);
        chain << QStringLiteral("Label8") << QStringLiteral("cmdSavePicture") << QStringLiteral("cmdComprehensive")
              << QStringLiteral("cmdBack") << QStringLiteral("cmdMdiExit");
        return chain;
    }
    case Window::Reading:
        return {QStringLiteral("Label14"), QStringLiteral("Label1"),   QStringLiteral("RTB"),
                QStringLiteral("cmdSave"), QStringLiteral("cmdPrint"), QStringLiteral("Label2")};
    case Window::About:
        return {QStringLiteral("lblHomePage"), QStringLiteral("lblCoBrand"), QStringLiteral("cmdOK")};
    }
    return {};
}

// Where assistive technology is told of something visible that no one can
// see: an object outside an object that holds it, or two objects without
// children of their own that share more than half of the smaller one's
// place (one covers the other). Objects reported invisible are passed over,
// with everything they hold. Each problem reads "role 'name' ...".
QStringList unseenButAnnounced(QAccessibleInterface* holder, QList<QRect> holders = {})
{
    QStringList problems;
    const auto describe = [](QAccessibleInterface* object) {
        return QStringLiteral("%1 '%2'").arg(int(object->role())).arg(object->text(QAccessible::Name).left(40));
    };
    holders << holder->rect();
    QList<QAccessibleInterface*> leaves;
    for (int i = 0; i < holder->childCount(); ++i) {
        QAccessibleInterface* child = holder->child(i);
        if (!child || child->state().invisible)
            continue;
        const QRect place = child->rect();
        if (place.isEmpty())
            continue;
        if (std::any_of(holders.cbegin(), holders.cend(),
                        [&place](const QRect& outer) { return !outer.intersects(place); }))
            problems << describe(child) + QStringLiteral(" lies outside what holds it");
        if (child->childCount() == 0)
            leaves << child;
        else
            problems << unseenButAnnounced(child, holders);
    }
    for (qsizetype i = 0; i < leaves.size(); ++i) {
        for (qsizetype j = i + 1; j < leaves.size(); ++j) {
            const QRect a = leaves.at(i)->rect();
            const QRect b = leaves.at(j)->rect();
            const QRect shared = a.intersected(b);
            const qint64 smaller = std::min(qint64(a.width()) * a.height(), qint64(b.width()) * b.height());
            if (!shared.isEmpty() && 2 * qint64(shared.width()) * shared.height() > smaller)
                problems << describe(leaves.at(i)) + QStringLiteral(" and ") + describe(leaves.at(j))
                                + QStringLiteral(" share one place");
        }
    }
    return problems;
}

}  // namespace

class tst_Keyboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void tabReachesEveryControl_data();
    void tabReachesEveryControl();

    void shiftTabWalksTheChainBackwards_data();
    void shiftTabWalksTheChainBackwards();

    void arrowKeysMoveBetweenDayAndNight_data();
    void arrowKeysMoveBetweenDayAndNight();

    void controlsAreNamedAndDescribed_data();
    void controlsAreNamedAndDescribed();

    void dateListsAreLabelledByWhatTheyHold_data();
    void dateListsAreLabelledByWhatTheyHold();

    void announcedObjectsAreInSight_data();
    void announcedObjectsAreInSight();

    void rowNamesFollowTheReading_data();
    void rowNamesFollowTheReading();

    void everyLinkLabelIsListed_data();
    void everyLinkLabelIsListed();

    void offersReadTheirExactWords_data();
    void offersReadTheirExactWords();

    void linkKeysOpenThePageOnce_data();
    void linkKeysOpenThePageOnce();

    void linkPressActionOpensThePage_data();
    void linkPressActionOpensThePage();

    void linkFocusIsShown_data();
    void linkFocusIsShown();

private:
    QWidget* windowOf(Window window) const { return app_->window(window); }
    // Shows only the window of the link label, with the label in front, and
    // returns the label; nothing if the window could not be made active.
    LinkLabel* shownLink(Window window, const QString& label);

    std::unique_ptr<AppWindows> app_;
    std::unique_ptr<UrlCatcher> urls_;
};

void tst_Keyboard::initTestCase()
{
    app_ = std::make_unique<AppWindows>();
    urls_ = std::make_unique<UrlCatcher>();
    QVERIFY(app_->openAllFour());
}

void tst_Keyboard::cleanupTestCase()
{
    app_.reset();
    urls_.reset();
}

void tst_Keyboard::init()
{
    urls_->opened.clear();
}

LinkLabel* tst_Keyboard::shownLink(Window window, const QString& label)
{
    // The two offers of the main window overlap; only the one in front can
    // take the focus.
    if (window == Window::Main)
        app_->main->bringOfferToFront(label == QLatin1String("lblCobrand") ? frmMain::Offer::CoBrand
                                                                           : frmMain::Offer::FullBrand);
    if (!app_->showOnly(window))
        return nullptr;
    return windowOf(window)->findChild<LinkLabel*>(label);
}

// --- Tab chain -----------------------------------------------------------------

void tst_Keyboard::tabReachesEveryControl_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("previous");  // the control Tab visits just before; the last for the first

    for (Window window : FourWindows) {
        const QStringList chain = tabChain(window);
        for (qsizetype i = 0; i < chain.size(); ++i) {
            // clang-format off
            QTest::addRow("%s: %s", qPrintable(windowKey(window)), qPrintable(chain.at(i)))
                << window << chain.at(i) << chain.at(i > 0 ? i - 1 : chain.size() - 1);
            // clang-format on
        }
    }
}

// From the first control of the chain, Tab is pressed on the focused widget
// until the focus comes back to the start or stops moving; the controls
// visited, the start again at the end, must hold the row's control right
// after the one before it.
void tst_Keyboard::tabReachesEveryControl()
{
    QFETCH(Window, window);
    QFETCH(QString, control);
    QFETCH(QString, previous);

    QVERIFY(app_->showOnly(window));
    QWidget* shown = windowOf(window);
    QWidget* start = shown->findChild<QWidget*>(tabChain(window).first());
    QVERIFY(start);
    start->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), start);

    QStringList visited{start->objectName()};
    constexpr int MaxSteps = 60;
    for (int step = 0; step < MaxSteps; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (!now || now->objectName() == visited.last())
            break;
        visited << now->objectName();
        if (now == start)
            break;
    }

    // lastIndexOf: the first control counts where Tab brings the focus back.
    const qsizetype at = visited.lastIndexOf(control);
    QVERIFY2(at > 0, qPrintable(visited.join(QLatin1String(", "))));
    QCOMPARE(visited.at(at - 1), previous);
}

void tst_Keyboard::shiftTabWalksTheChainBackwards_data()
{
    addWindowRows();
}

// Shift+Tab from the first control visits the whole chain in reverse, the
// panels window's buttons included, and comes back to the start.
void tst_Keyboard::shiftTabWalksTheChainBackwards()
{
    QFETCH(Window, window);

    QVERIFY(app_->showOnly(window));
    const QStringList chain = tabChain(window);
    QWidget* start = windowOf(window)->findChild<QWidget*>(chain.first());
    QVERIFY(start);
    start->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), start);

    QStringList visited;
    for (qsizetype step = 0; step < chain.size(); ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        visited << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString());
    }
    QStringList expected(chain.crbegin(), chain.crend() - 1);
    expected << chain.first();
    QCOMPARE(visited, expected);
}

// Tab stops at the checked one of Day and Night; the arrow keys move to the
// other, as in every group of options (up and down: Night stands below Day).
void tst_Keyboard::arrowKeysMoveBetweenDayAndNight_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("to");

    // clang-format off
    QTest::newRow("Down from Day") << "optDay(0)" << int(Qt::Key_Down) << "optDay(1)";
    QTest::newRow("Up from Night") << "optDay(1)" << int(Qt::Key_Up) << "optDay(0)";
    // clang-format on
}

void tst_Keyboard::arrowKeysMoveBetweenDayAndNight()
{
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(QString, to);

    QVERIFY(app_->showOnly(Window::Main));
    auto* start = app_->main->findChild<QAbstractButton*>(from);
    auto* target = app_->main->findChild<QAbstractButton*>(to);
    QVERIFY(start && target);
    start->setChecked(true);
    start->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), start);

    QTest::keyClick(start, Qt::Key(key));
    QCOMPARE(QApplication::focusWidget(), target);
    QVERIFY(target->isChecked());
    QVERIFY(!start->isChecked());
    app_->main->findChild<QAbstractButton*>(QStringLiteral("optDay(0)"))->setChecked(true);
}

// --- Names and descriptions ------------------------------------------------------

void tst_Keyboard::controlsAreNamedAndDescribed_data()
{
    QTest::addColumn<QWidget*>("control");

    // Every control shown with its window, found in the widget tree.
    for (Window window : FourWindows)
        addShownRows<QWidget>(window, windowOf(window), isControl);
}

void tst_Keyboard::controlsAreNamedAndDescribed()
{
    QFETCH(QWidget*, control);

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
    QVERIFY(accessible);
    const QString name = accessible->text(QAccessible::Name);
    QVERIFY2(!name.trimmed().isEmpty(), "no accessible name");
    QVERIFY2(!accessible->text(QAccessible::Description).trimmed().isEmpty(), "no accessible description");
    QVERIFY2(!name.contains(QLatin1Char('&')), qPrintable(name));

    // A caption names its control; a period's heading is read as one phrase.
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        QCOMPARE(name, QString(button->text()).remove(QLatin1Char('&')));
    if (const auto* panel = qobject_cast<const PeriodPanel*>(control))
        QCOMPARE(name, zorvane::results::spokenHeading(panel->title()));
    else if (const auto* group = qobject_cast<const QGroupBox*>(control))
        QCOMPARE(name, group->title());
    if (const auto* line = qobject_cast<const PeriodLine*>(control))
        QCOMPARE(name, zorvane::results::spokenHeading(line->text()));
    else if (const auto* label = qobject_cast<const QLabel*>(control); label && !label->text().isEmpty())
        QVERIFY2(label->text().startsWith(name), qPrintable(name + QLatin1String(" | ") + label->text()));

    if (qobject_cast<const LinkLabel*>(control))
        QCOMPARE(accessible->role(), QAccessible::Link);
}

void tst_Keyboard::dateListsAreLabelledByWhatTheyHold_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("label");
    // clang-format off
    QTest::newRow("month") << "cboMonth" << "Month of birth";
    QTest::newRow("day") << "cboDate" << "Day of birth";
    QTest::newRow("year") << "cboYear" << "Year of birth";
    // clang-format on
}

// A screen reader says a drop-down list as the labels that label it, then
// its name, which is its chosen entry on Linux: "Month of birth, January".
// Labels that hold the list (the date frame) are passed over, as they are
// said once on entering it.
void tst_Keyboard::dateListsAreLabelledByWhatTheyHold()
{
    QFETCH(QString, list);
    QFETCH(QString, label);

    auto* combo = app_->main->findChild<QComboBox*>(list);
    QVERIFY(combo);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(combo);
    QVERIFY(accessible);
    QStringList labels;
    for (const auto& [by, relation] : accessible->relations(QAccessible::Label)) {
        if (!by->object() || !by->object()->isWidgetType() || !static_cast<QWidget*>(by->object())->isAncestorOf(combo))
            labels << by->text(QAccessible::Name);
    }
    QCOMPARE(labels, QStringList{label});
    QCOMPARE(accessible->text(QAccessible::Value), combo->currentText());
}

void tst_Keyboard::announcedObjectsAreInSight_data()
{
    addWindowRows();
}

// What assistive technology may announce as visible is in sight: the main
// window's Exit button below its client area, the offer behind the other
// one and the panels window's picture holders are not announced, though the
// program still uses them.
void tst_Keyboard::announcedObjectsAreInSight()
{
    QFETCH(Window, window);

    QVERIFY(app_->showOnly(window));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(windowOf(window));
    QVERIFY(accessible);
    const QStringList problems = unseenButAnnounced(accessible);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1String("; "))));
}

void tst_Keyboard::rowNamesFollowTheReading_data()
{
    QTest::addColumn<modFirdaria::BirthData>("birth");

    // clang-format off
    QTest::newRow("day birth, 15 March 1990") << modFirdaria::BirthData{15, 3, 1990, modFirdaria::TimeOfBirth::Day};
    QTest::newRow("night birth, 2 November 1975") << modFirdaria::BirthData{2, 11, 1975, modFirdaria::TimeOfBirth::Night};
    // clang-format on
}

// The labels a reading rewrites are named by what they show, whatever the
// reading before.
void tst_Keyboard::rowNamesFollowTheReading()
{
    QFETCH(modFirdaria::BirthData, birth);

    frmDisplay& display = *app_->results->display();
    FillResults(modFirdaria::ComputeFirdaria(birth, subPeriodNamesByRule()), display);

    for (const QString& control : RecordedPanels::controlNames()) {
        auto* shown = display.findChild<QWidget*>(control);
        QVERIFY2(shown, qPrintable(control));
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(shown);
        const QString name = accessible->text(QAccessible::Name);
        if (auto* panel = qobject_cast<PeriodPanel*>(shown)) {
            // A list of its rows, each read as one phrase.
            QCOMPARE(name, zorvane::results::spokenHeading(panel->title()));
            QCOMPARE(accessible->childCount(), PeriodPanels::RowsPerPanel);
            for (int row = 0; row < accessible->childCount(); ++row)
                QCOMPARE(accessible->child(row)->text(QAccessible::Name), panel->spokenRow(row));
        } else if (auto* line = qobject_cast<PeriodLine*>(shown)) {
            QCOMPARE(name, zorvane::results::spokenHeading(line->text()));
        } else {
            auto* label = qobject_cast<QLabel*>(shown);
            QVERIFY2(label, qPrintable(control));
            QVERIFY2(!name.isEmpty(), qPrintable(control));
            QCOMPARE(name, label->text());
        }
    }
}

// --- Link labels -----------------------------------------------------------------

void tst_Keyboard::everyLinkLabelIsListed_data()
{
    addWindowRows();
}

void tst_Keyboard::everyLinkLabelIsListed()
{
    QFETCH(Window, window);

    QStringList inWindow;
    for (const LinkLabel* label : windowOf(window)->findChildren<LinkLabel*>())
        inWindow << label->objectName();
    QStringList listed;
    for (const LinkPage& link : linkPages(window))
        if (link.kind == LinkKind::Label)
            listed << link.controlName();
    inWindow.sort();
    listed.sort();
    QCOMPARE(inWindow, listed);
}

void tst_Keyboard::offersReadTheirExactWords_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("words");
    QTest::addColumn<bool>("whole");  // false: the label begins with the words

    const QString fullBrand = QStringLiteral(
        "Home Business Opportunity. Start your own Internet business and make money online. Get this software "
        "fully branded for your website. Click here for more details.");
    // clang-format off
    QTest::newRow("main: full-branding offer")    << Window::Main << "lblFullBrand" << fullBrand << true;
    QTest::newRow("main: co-branding offer")      << Window::Main << "lblCobrand"
                                                  << "Co-brand this software for your site." << false;
    QTest::newRow("results: full-branding offer") << Window::Results << "Label8" << fullBrand << true;
    QTest::newRow("reading: full-branding offer") << Window::Reading << "Label2" << fullBrand << true;
    QTest::newRow("about: more details")          << Window::About << "lblCoBrand"
                                                  << "Click here for more details." << true;
    // clang-format on
}

void tst_Keyboard::offersReadTheirExactWords()
{
    QFETCH(Window, window);
    QFETCH(QString, label);
    QFETCH(QString, words);
    QFETCH(bool, whole);

    const auto* link = windowOf(window)->findChild<LinkLabel*>(label);
    QVERIFY(link);
    if (whole)
        QCOMPARE(link->text(), words);
    else
        QVERIFY2(link->text().startsWith(words), qPrintable(link->text()));
}

void tst_Keyboard::linkKeysOpenThePageOnce_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("page");  // empty: the key opens nothing

    const QList<std::pair<const char*, int>> keys{
        {"Enter", Qt::Key_Enter}, {"Return", Qt::Key_Return}, {"Space", Qt::Key_Space}, {"letter A", Qt::Key_A}};
    for (const LinkPage& link : linkPages(LinkKind::Label)) {
        for (const auto& [keyName, key] : keys) {
            // clang-format off
            QTest::addRow("%s: %s, %s", qPrintable(windowKey(link.window)), link.control, keyName)
                << link.window << link.controlName() << key
                << (key == Qt::Key_A ? QString() : link.address());
            // clang-format on
        }
    }
}

void tst_Keyboard::linkKeysOpenThePageOnce()
{
    QFETCH(Window, window);
    QFETCH(QString, label);
    QFETCH(int, key);
    QFETCH(QString, page);

    auto* link = shownLink(window, label);
    QVERIFY(link);
    link->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), link);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    // A held key repeats its press; the page opens once all the same.
    QKeyEvent repeated(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(link, &repeated);

    const QStringList expected = page.isEmpty() ? QStringList() : QStringList{page};
    QCOMPARE(urls_->opened, expected);
    QCOMPARE(app_->fake.messages.size(), 0);
}

void tst_Keyboard::linkPressActionOpensThePage_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("page");

    for (const LinkPage& link : linkPages(LinkKind::Label)) {
        // clang-format off
        QTest::addRow("%s: %s", qPrintable(windowKey(link.window)), link.control)
            << link.window << link.controlName() << link.address();
        // clang-format on
    }
}

void tst_Keyboard::linkPressActionOpensThePage()
{
    QFETCH(Window, window);
    QFETCH(QString, label);
    QFETCH(QString, page);

    auto* link = windowOf(window)->findChild<LinkLabel*>(label);
    QVERIFY(link);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(link);
    QVERIFY(accessible);
    QAccessibleActionInterface* actions = accessible->actionInterface();
    QVERIFY(actions);
    // Press first, as assistive technology takes the first action for the
    // object's own; set-focus follows while the label takes the focus.
    QCOMPARE(actions->actionNames().value(0), QAccessibleActionInterface::pressAction());

    actions->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(urls_->opened, QStringList{page});
}

void tst_Keyboard::linkFocusIsShown_data()
{
    linkPressActionOpensThePage_data();
}

void tst_Keyboard::linkFocusIsShown()
{
    QFETCH(Window, window);
    QFETCH(QString, label);

    auto* link = shownLink(window, label);
    QVERIFY(link);
    link->clearFocus();
    QVERIFY(!link->hasFocus());
    const QImage without = link->grab().toImage();
    link->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(link->hasFocus());
    const QImage with = link->grab().toImage();

    QCOMPARE(with.size(), without.size());
    QVERIFY2(with != without, "focus leaves the label unchanged");
}

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
