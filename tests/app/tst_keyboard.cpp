// Keyboard and assistive-technology access to every window: the Tab chain of
// each window, the accessible name and description of every control, nothing
// announced as visible that is out of sight, the link labels' keys, Enter on
// the push buttons, the focus mark, and the end of the reading, where the
// keys stop.

#include "AppTestSupport.h"
#include "FillResults.h"
#include "FocusableLabel.h"
#include "LinkLabel.h"
#include "LinkPages.h"
#include "PeriodPanel.h"
#include "PictureDifference.h"
#include "RecordedPanels.h"
#include "SpokenCaptions.h"
#include "Style.h"
#include "frmDisplay.h"
#include "modFirdaria.h"
#include "modHelp.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <functional>
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
        QStringList chain{QStringLiteral("lblHalvidorBanner"), QStringLiteral("lblTimeOfBirth")};
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

// Return and the keypad's Enter, as a row tag names them, with the
// modifiers each key arrives with.
struct EnterKey {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};
constexpr std::array<EnterKey, 2> EnterKeys{
    {{"Return", Qt::Key_Return, Qt::NoModifier}, {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier}}};

// Runs press, closing at once every modal window it opens other than shown
// (the reading window that a description button opens, a message).
void pressClosingModals(const QWidget* shown, const std::function<void()>& press)
{
    QTimer closer;
    closer.setInterval(0);
    QObject::connect(&closer, &QTimer::timeout, [shown] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != shown)
            modal->close();
    });
    closer.start();
    press();
}

}  // namespace

class tst_Keyboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void tabWalksTheChain_data();
    void tabWalksTheChain();

    void controlsAreNamedAndDescribed_data();
    void controlsAreNamedAndDescribed();

    void dateListsAreLabelledByWhatTheyHold_data();
    void dateListsAreLabelledByWhatTheyHold();

    void announcedObjectsAreInSight_data();
    void announcedObjectsAreInSight();

    void offersReadTheirExactWords_data();
    void offersReadTheirExactWords();

    void linkKeysOpenThePageOnce_data();
    void linkKeysOpenThePageOnce();

    void enterPressesOnlyTheFocusedButton_data();
    void enterPressesOnlyTheFocusedButton();

    void focusIsMarked_data();
    void focusIsMarked();

    void readingStopsAtItsLastLine_data();
    void readingStopsAtItsLastLine();

private:
    QWidget* windowOf(Window window) const { return app_->window(window); }
    // Shows only the window of the control, with the main window's offer of
    // that name in front, and returns the control; nothing if the window
    // could not be made active.
    QWidget* shownControl(Window window, const QString& name);

    std::unique_ptr<AppWindows> app_;
    std::unique_ptr<UrlCatcher> urls_;
};

void tst_Keyboard::initTestCase()
{
    // The program's style presses a focused button with Enter and marks it.
    zorvane::ui::useProgramStyle();
    app_ = std::make_unique<AppWindows>();
    urls_ = std::make_unique<UrlCatcher>();
    QVERIFY(app_->openAllFour());
    // The panels are named by the reading they show, whatever the one before.
    frmDisplay& display = *app_->results->display();
    FillResults(modFirdaria::ComputeFirdaria({2, 11, 1975, modFirdaria::TimeOfBirth::Night}, subPeriodNamesByRule()),
                display);
    FillResults(modFirdaria::ComputeFirdaria({15, 3, 1990, modFirdaria::TimeOfBirth::Day}, subPeriodNamesByRule()),
                display);

    // A wrong wiring must not go unseen because two pages share an address.
    const auto& pages = modHelp::PageAddresses();
    const QStringList all{pages.homePage,   pages.onlineHelp,    pages.downloadPage,
                          pages.donatePage, pages.fullBrandPage, pages.coBrandPage};
    for (const QString& page : all)
        QCOMPARE(all.count(page), 1);
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

QWidget* tst_Keyboard::shownControl(Window window, const QString& name)
{
    // The two offers of the main window overlap; only the one in front can
    // take the focus.
    if (window == Window::Main)
        app_->main->bringOfferToFront(name == QLatin1String("lblCobrand") ? frmMain::Offer::CoBrand
                                                                          : frmMain::Offer::FullBrand);
    if (!app_->showOnly(window))
        return nullptr;
    return windowOf(window)->findChild<QWidget*>(name);
}

// --- Tab chain -----------------------------------------------------------------

void tst_Keyboard::tabWalksTheChain_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<bool>("backwards");

    for (Window window : FourWindows) {
        QTest::addRow("%s: Tab", qPrintable(windowKey(window))) << window << false;
        QTest::addRow("%s: Shift+Tab", qPrintable(windowKey(window))) << window << true;
    }
}

// From the first control, as many presses as the chain is long visit every
// control once, in order (in reverse with Shift+Tab, the panels window's
// buttons included), and come back to the start.
void tst_Keyboard::tabWalksTheChain()
{
    QFETCH(Window, window);
    QFETCH(bool, backwards);

    QVERIFY(app_->showOnly(window));
    const QStringList chain = tabChain(window);
    QWidget* start = windowOf(window)->findChild<QWidget*>(chain.first());
    QVERIFY(start);
    start->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), start);

    QStringList visited;
    for (qsizetype step = 0; step < chain.size(); ++step) {
        if (backwards)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        else
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString());
    }
    QStringList expected = chain.mid(1) << chain.first();
    if (backwards)
        expected = QStringList(chain.crbegin(), chain.crend() - 1) << chain.first();
    QCOMPARE(visited, expected);
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
    // The periods read alike: the hint of how to read them is said once, on
    // the first.
    const bool laterPeriod =
        qobject_cast<const PeriodPanel*>(control) && control->objectName() != QLatin1String("fraPlanetName(0)");
    const QString description = accessible->text(QAccessible::Description).trimmed();
    QVERIFY2(description.isEmpty() == laterPeriod, qPrintable(description));
    QVERIFY2(!name.contains(QLatin1Char('&')), qPrintable(name));

    // A caption names its control; a period's heading is read as one phrase,
    // and a panel as a list of its rows, each read as one phrase. What a
    // reading writes is read whole.
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        QCOMPARE(name, QString(button->text()).remove(QLatin1Char('&')));
    if (const auto* panel = qobject_cast<const PeriodPanel*>(control)) {
        QCOMPARE(name, zorvane::results::spokenHeading(panel->title()));
        QCOMPARE(accessible->childCount(), PeriodPanels::RowsPerPanel);
        for (int row = 0; row < accessible->childCount(); ++row)
            QCOMPARE(accessible->child(row)->text(QAccessible::Name), panel->spokenRow(row));
    } else if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
        QCOMPARE(name, group->title());
    }
    if (const auto* line = qobject_cast<const PeriodLine*>(control))
        QCOMPARE(name, zorvane::results::spokenHeading(line->text()));
    else if (const auto* label = qobject_cast<const QLabel*>(control);
             label && RecordedPanels::controlNames().contains(label->objectName()))
        QCOMPARE(name, label->text());
    else if (label && !label->text().isEmpty())
        QVERIFY2(label->text().startsWith(name), qPrintable(name + QLatin1String(" | ") + label->text()));

    // A link shows as one to assistive technology and to the mouse.
    if (qobject_cast<const LinkLabel*>(control)) {
        QCOMPARE(accessible->role(), QAccessible::Link);
        QCOMPARE(control->cursor().shape(), Qt::PointingHandCursor);
    }
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

    auto* link = qobject_cast<LinkLabel*>(shownControl(window, label));
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

// --- Push buttons and the focus mark ----------------------------------------------

void tst_Keyboard::enterPressesOnlyTheFocusedButton_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");

    // The buttons last: the main window's reading button opens a results
    // frame of its own, which stays in front of it.
    for (const bool buttons : {false, true}) {
        for (Window window : FourWindows) {
            for (const QString& control : tabChain(window)) {
                if (bool(qobject_cast<QPushButton*>(windowOf(window)->findChild<QWidget*>(control))) != buttons)
                    continue;
                for (const EnterKey& enter : EnterKeys) {
                    // clang-format off
                    QTest::addRow("%s: %s, %s", qPrintable(windowKey(window)), qPrintable(control), enter.name)
                        << window << control << enter.key << enter.modifiers;
                    // clang-format on
                }
            }
        }
    }
}

// Return and the keypad's Enter press the push button that has the focus,
// once: the About box's OK, its default button, as much as any other. A
// list, an option, a period, a link or the reading keeps them to itself: no
// button of the window is a default that they would press.
void tst_Keyboard::enterPressesOnlyTheFocusedButton()
{
    QFETCH(Window, window);
    QFETCH(QString, control);
    QFETCH(Qt::Key, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);

    QWidget* focused = shownControl(window, control);
    QVERIFY(focused);
    focused->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(focused->hasFocus());
    QStringList pressed;
    for (QPushButton* button : windowOf(window)->findChildren<QPushButton*>())
        connect(button, &QAbstractButton::clicked, this, [&pressed, button] { pressed << button->objectName(); });

    pressClosingModals(windowOf(window), [&] { QTest::keyClick(focused, key, modifiers); });
    for (QPushButton* button : windowOf(window)->findChildren<QPushButton*>())
        disconnect(button, &QAbstractButton::clicked, this, nullptr);
    QCOMPARE(pressed, qobject_cast<QPushButton*>(focused) ? QStringList{control} : QStringList());
}

void tst_Keyboard::focusIsMarked_data()
{
    QTest::addColumn<Window>("window");
    QTest::addColumn<QString>("control");

    // The push buttons, date lists and labels that take the focus (links,
    // the time of birth, the node lines) on the Tab chains, and the offer
    // that takes turns with the main window's full-branding one.
    for (Window window : FourWindows) {
        QStringList controls = tabChain(window);
        if (window == Window::Main)
            controls << QStringLiteral("lblCobrand");
        for (const QString& control : controls) {
            const QWidget* w = windowOf(window)->findChild<QWidget*>(control);
            if (qobject_cast<const QPushButton*>(w) || qobject_cast<const QComboBox*>(w)
                || qobject_cast<const zorvane::ui::FocusableLabel*>(w))
                QTest::addRow("%s: %s", qPrintable(windowKey(window)), qPrintable(control)) << window << control;
        }
    }
}

// A control that the keyboard has focused shows a dotted mark a pixel wide:
// a push button inside its edge around the caption, a date list around its
// entry inside its flat face, a label along its edge. Focused by the
// program, a button, a list or a label other than a link looks as it does
// without the focus, to the pixel, and a button again after a press of the
// mouse on it.
void tst_Keyboard::focusIsMarked()
{
    QFETCH(Window, window);
    QFETCH(QString, control);

    QWidget* focused = shownControl(window, control);
    QVERIFY(focused);
    const bool link = qobject_cast<LinkLabel*>(focused);
    const bool alongItsEdge = qobject_cast<zorvane::ui::FocusableLabel*>(focused);
    focused->clearFocus();
    windowOf(window)->setAttribute(Qt::WA_KeyboardFocusChange, false);
    const QImage plain = focused->grab().toImage();
    focused->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(focused->hasFocus());
    if (!link)
        QCOMPARE(focused->grab().toImage(), plain);

    // Back and forth with the keyboard.
    QTest::keyClick(focused, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(focused->hasFocus());
    int count = 0;
    const QRect where = zorvane::test::differingPixels(plain, focused->grab().toImage(), &count);
    QVERIFY2(count > 0, "the focus is not marked");
    const int inset = alongItsEdge ? 0 : qobject_cast<QComboBox*>(focused) ? 1 : 2;
    QVERIFY2(focused->rect().adjusted(inset, inset, -inset, -inset).contains(where),
             qPrintable(QStringLiteral("%1,%2").arg(where.x()).arg(where.y())));
    QVERIFY2(count <= 2 * (where.width() + where.height()), qPrintable(QString::number(count)));

    // A press of the mouse, released away from the button so that nothing is
    // pressed, takes the mark away.
    if (auto* button = qobject_cast<QPushButton*>(focused)) {
        QTest::mousePress(button, Qt::LeftButton);
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-10, -10));
        QVERIFY(button->hasFocus());
        QCOMPARE(button->grab().toImage(), plain);
    }
}

// --- The reading's end -----------------------------------------------------------

void tst_Keyboard::readingStopsAtItsLastLine_data()
{
    QTest::addColumn<QList<QKeyCombination>>("keys");
    QTest::addColumn<bool>("selecting");  // Shift held: the selection reaches the very end

    constexpr int MoreThanItsLines = 400;
    const QKeyCombination toEnd(Qt::ControlModifier, Qt::Key_End);
    // clang-format off
    QTest::newRow("Ctrl+End") << QList<QKeyCombination>{toEnd} << false;
    QTest::newRow("Ctrl+End, then Down") << QList<QKeyCombination>{toEnd, Qt::Key_Down} << false;
    QTest::newRow("Ctrl+End, then Right") << QList<QKeyCombination>{toEnd, Qt::Key_Right} << false;
    QTest::newRow("Ctrl+End, then Ctrl+Right")
        << QList<QKeyCombination>{toEnd, QKeyCombination(Qt::ControlModifier, Qt::Key_Right)} << false;
    QTest::newRow("Down all the way") << QList<QKeyCombination>(MoreThanItsLines, Qt::Key_Down) << false;
    QTest::newRow("Page Down all the way") << QList<QKeyCombination>(MoreThanItsLines / 10, Qt::Key_PageDown) << false;
    QTest::newRow("Shift+Ctrl+End") << QList<QKeyCombination>{QKeyCombination(Qt::ShiftModifier | Qt::ControlModifier, Qt::Key_End)}
                                    << true;
    // clang-format on
}

// The comprehensive reading ends in a line break pair. The keys that move
// on stop at the end of its last line of text, so that a screen reader does
// not read out the empty lines after it; the line breaks stay in the text,
// and a selection still reaches them.
void tst_Keyboard::readingStopsAtItsLastLine()
{
    QFETCH(QList<QKeyCombination>, keys);
    QFETCH(bool, selecting);

    frmSave reading;
    reading.insertComprehensiveReading();
    reading.show();
    QVERIFY(QTest::qWaitForWindowExposed(&reading));
    auto* box = reading.findChild<QTextEdit*>(QStringLiteral("RTB"));
    QVERIFY(box);
    QTRY_VERIFY(box->hasFocus());
    const QString text = box->toPlainText();
    QVERIFY(text.endsWith(QLatin1String("\n\n")));
    qsizetype endOfText = text.size();
    while (endOfText > 0 && text.at(endOfText - 1) == QLatin1Char('\n'))
        --endOfText;

    for (const QKeyCombination& key : keys)
        QTest::keyClick(box, key.key(), key.keyboardModifiers());
    QCOMPARE(box->textCursor().position(), selecting ? text.size() : endOfText);
    QCOMPARE(box->toPlainText(), text);
}

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
