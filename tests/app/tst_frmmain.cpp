// The main window: its lists and options, its size against the design in
// twips, the date check behind "Get My Firdaria Reading", its menus, the
// About box and the ways it ends the program.

#include "AppTestSupport.h"
#include "ModalWindows.h"
#include "OpenWindows.h"
#include "Style.h"
#include "modHelp.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <memory>

using namespace zorvane::test;
using zorvane::ui::MessageButtons;
using zorvane::ui::MessageIcon;

namespace {
const QString FebruaryMessage = QStringLiteral("Please Enter Correct Date Or Month!");
const QString ThirtyDayMonthMessage = QStringLiteral("Please Enter Correct Date Or Month !");

// What a window shows, to tell that a click changed nothing.
struct WindowState {
    int day, month, year;
    bool night;
    bool visible;
    QString offerInFront;
    bool operator==(const WindowState&) const = default;
};

char* toString(const WindowState& s)
{
    return qstrdup(qPrintable(QStringLiteral("%1.%2.%3 %4 %5 %6")
                                  .arg(s.day)
                                  .arg(s.month)
                                  .arg(s.year)
                                  .arg(s.night ? "night" : "day", s.visible ? "visible" : "hidden", s.offerInFront)));
}
}  // namespace

class tst_frmMain : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void lists_data();
    void lists();
    void optionTakesClicksAnywhere_data();
    void optionTakesClicksAnywhere();
    void subPeriodNamesFilledByEveryLoad();

    void clientAreaIsFixed();

    void menus_data();
    void menus();

    void validation_data();
    void validation();

    void aboutBox_data();
    void aboutBox();

    void closingEndsProgram_data();
    void closingEndsProgram();

private:
    template <typename T>
    T* child(const QString& name) const
    {
        return app_->main->findChild<T*>(name);
    }
    QAction* action(const QString& name) const { return child<QAction>(name); }
    QComboBox* list(const QString& name) const { return child<QComboBox>(name); }
    WindowState state() const;

    // Dialogs faked, ends counted and the main window, for each test.
    std::unique_ptr<AppWindows> app_;
    UrlCatcher urls_;
};

void tst_frmMain::initTestCase()
{
    zorvane::ui::useProgramStyle();
}

void tst_frmMain::init()
{
    app_ = std::make_unique<AppWindows>();
    urls_.opened.clear();
    QVERIFY(app_->openMain());
}

void tst_frmMain::cleanup()
{
    app_.reset();
}

WindowState tst_frmMain::state() const
{
    return {list(QStringLiteral("cboDate"))->currentText().toInt(),
            list(QStringLiteral("cboMonth"))->currentIndex() + 1,
            list(QStringLiteral("cboYear"))->currentText().toInt(),
            child<QRadioButton>(QStringLiteral("optDay(1)"))->isChecked(),
            app_->main->isVisible(),
            app_->main->offerInFront() == frmMain::Offer::CoBrand ? QStringLiteral("lblCobrand")
                                                                  : QStringLiteral("lblFullBrand")};
}

// --- Lists and options --------------------------------------------------------

void tst_frmMain::lists_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("entries");

    QStringList days, months, years;
    for (int d = 1; d <= 31; ++d)
        days << QString::number(d);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    for (int m = 1; m <= 12; ++m)
        months << english.standaloneMonthName(m, QLocale::LongFormat);
    for (int y = 1910; y <= 2050; ++y)
        years << QString::number(y);

    // clang-format off
    QTest::newRow("cboDate: 1 to 31") << "cboDate" << days;
    QTest::newRow("cboMonth: January to December") << "cboMonth" << months;
    QTest::newRow("cboYear: 1910 to 2050") << "cboYear" << years;
    // clang-format on
}

void tst_frmMain::lists()
{
    QFETCH(QString, name);
    QFETCH(QStringList, entries);

    const QComboBox* box = list(name);
    QVERIFY(box);
    QVERIFY(!box->isEditable());
    QStringList shown;
    for (int i = 0; i < box->count(); ++i)
        shown << box->itemText(i);
    QCOMPARE(shown, entries);
    QCOMPARE(box->currentIndex(), 0);
}

void tst_frmMain::optionTakesClicksAnywhere_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("other");
    QTest::addColumn<QPointF>("at");  // fraction of the option's width and height

    // Its four corners, its middle and the far end of its row.
    const QList<std::pair<const char*, QPointF>> points{{"top left", {0, 0}},    {"top right", {1, 0}},
                                                        {"bottom left", {0, 1}}, {"bottom right", {1, 1}},
                                                        {"middle", {0.5, 0.5}},  {"far right", {0.95, 0.5}}};
    for (const auto& [where, at] : points) {
        QTest::addRow("Day, %s", where) << "optDay(0)"
                                        << "Day"
                                        << "optDay(1)" << at;
        QTest::addRow("Night, %s", where) << "optDay(1)"
                                          << "Night"
                                          << "optDay(0)" << at;
    }
}

// Day is chosen at first. A click anywhere in an option's rectangle chooses
// it and clears the other, and assistive technology is given the same
// rectangle.
void tst_frmMain::optionTakesClicksAnywhere()
{
    QFETCH(QString, option);
    QFETCH(QString, caption);
    QFETCH(QString, other);
    QFETCH(QPointF, at);

    auto* chosen = child<QRadioButton>(option);
    auto* cleared = child<QRadioButton>(other);
    QCOMPARE(chosen->text(), caption);
    QVERIFY(child<QRadioButton>(QStringLiteral("optDay(0)"))->isChecked());
    cleared->setChecked(true);
    const QPoint point(std::min(static_cast<int>(at.x() * chosen->width()), chosen->width() - 1),
                       std::min(static_cast<int>(at.y() * chosen->height()), chosen->height() - 1));
    QTest::mouseClick(chosen, Qt::LeftButton, {}, point);
    QVERIFY(chosen->isChecked());
    QVERIFY(!cleared->isChecked());
    QCOMPARE(QAccessible::queryAccessibleInterface(chosen)->rect(),
             QRect(chosen->mapToGlobal(QPoint(0, 0)), chosen->size()));
}

// "<planet>/<sub-ruler> -", the sub-rulers following the planet in
// SubRulerCycle; Mars/Mercury (38) and Mars/Jupiter (41) end in a blank.
// Form_Load runs once per window; a second load writes the same table and
// the same lists again, nothing piled up.
void tst_frmMain::subPeriodNamesFilledByEveryLoad()
{
    QCOMPARE(app_->main->SubPeriodNames, subPeriodNamesByRule());
    app_->main->SubPeriodNames.front() = QStringLiteral("changed");
    QVERIFY(app_->main->Form_Load(app_->folder.path()));
    QCOMPARE(app_->main->SubPeriodNames, subPeriodNamesByRule());
    QCOMPARE(list(QStringLiteral("cboYear"))->count(), 141);
}

// --- Layout ------------------------------------------------------------------

void tst_frmMain::clientAreaIsFixed()
{
    const QWidget* client = app_->main->centralWidget();
    QCOMPARE(client->size(), QSize(490, 281));  // 7350 x 4215 twips
    QCOMPARE(app_->main->minimumSize(), app_->main->maximumSize());
    QVERIFY(app_->main->menuBar()->isVisible());
    QCOMPARE(app_->main->height(), app_->main->menuBar()->height() + client->height());
    QCOMPARE(app_->main->windowTitle(), QStringLiteral("Zorvane v1.0"));
}

// --- Menus -------------------------------------------------------------------

void tst_frmMain::menus_data()
{
    QTest::addColumn<QString>("menu");  // empty: an item of the menu bar itself
    QTest::addColumn<QString>("menuCaption");
    QTest::addColumn<QStringList>("items");  // objectName=caption, "-" for separators

    // clang-format off
    QTest::newRow("File") << "nuFile" << "&File"
                          << QStringList{"mnuNext=Get My Firdaria Reading", "mnuExit=E&xit"};
    QTest::newRow("Help") << "mnuHelp" << "&Help"
                          << QStringList{"mnuOnline=&Online Help", "mnuVisit=&Visit Us Online", "mnuFileSep1=-",
                                         "mnuUpdate=&Check for Software Update", "mnuFileSep2=-",
                                         "mnuAbout=&About Software"};
    QTest::newRow("menu bar") << "" << ""
                              << QStringList{"=&File", "=&Help", "mnuDonate=&Donate",
                                             "mnumakemoney=Make Money &Online"};
    // clang-format on
}

void tst_frmMain::menus()
{
    QFETCH(QString, menu);
    QFETCH(QString, menuCaption);
    QFETCH(QStringList, items);

    QList<QAction*> actions;
    if (menu.isEmpty()) {
        actions = app_->main->menuBar()->actions();
    } else {
        const QMenu* m = child<QMenu>(menu);
        QVERIFY(m);
        QCOMPARE(m->title(), menuCaption);
        actions = m->actions();
    }
    QStringList shown;
    for (const QAction* a : actions)
        shown << a->objectName() + QLatin1Char('=') + (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(shown, items);
    for (const QAction* a : actions)
        QVERIFY2(a->isVisible() && a->isEnabled(), qPrintable(a->text()));
}

// --- The date check ----------------------------------------------------------

void tst_frmMain::validation_data()
{
    QTest::addColumn<QString>("trigger");  // the button or the menu item
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("message");  // empty: accepted

    // The boundaries of the check: the leap days of the offered years, the
    // ends of February and of the thirty-day months (their message has a
    // blank before "!"), the months of 31 days; the menu item as the button.
    const QString cmdNext = QStringLiteral("cmdNext");
    const QString mnuNext = QStringLiteral("mnuNext");
    // clang-format off
    QTest::newRow("at once: 1 January 1910")     << cmdNext << 1 << 1 << 1910 << QString();
    QTest::newRow("29 February 2000")            << cmdNext << 29 << 2 << 2000 << QString();
    QTest::newRow("29 February 1960")            << cmdNext << 29 << 2 << 1960 << QString();
    QTest::newRow("29 February 2048")            << cmdNext << 29 << 2 << 2048 << QString();
    QTest::newRow("29 February 1999")            << cmdNext << 29 << 2 << 1999 << FebruaryMessage;
    QTest::newRow("29 February 1910")            << cmdNext << 29 << 2 << 1910 << FebruaryMessage;
    QTest::newRow("29 February 2050")            << cmdNext << 29 << 2 << 2050 << FebruaryMessage;
    QTest::newRow("30 February 2000")            << cmdNext << 30 << 2 << 2000 << FebruaryMessage;
    QTest::newRow("31 February 1999")            << cmdNext << 31 << 2 << 1999 << FebruaryMessage;
    QTest::newRow("28 February 1999")            << cmdNext << 28 << 2 << 1999 << QString();
    QTest::newRow("31 April 1980")               << cmdNext << 31 << 4 << 1980 << ThirtyDayMonthMessage;
    QTest::newRow("31 June 1980")                << cmdNext << 31 << 6 << 1980 << ThirtyDayMonthMessage;
    QTest::newRow("31 September 1980")           << cmdNext << 31 << 9 << 1980 << ThirtyDayMonthMessage;
    QTest::newRow("31 November 1980")            << cmdNext << 31 << 11 << 1980 << ThirtyDayMonthMessage;
    QTest::newRow("30 April 1980")               << cmdNext << 30 << 4 << 1980 << QString();
    QTest::newRow("31 January 1910")             << cmdNext << 31 << 1 << 1910 << QString();
    QTest::newRow("31 July 1999")                << cmdNext << 31 << 7 << 1999 << QString();
    QTest::newRow("31 December 2050")            << cmdNext << 31 << 12 << 2050 << QString();
    QTest::newRow("menu: 15 March 1980")         << mnuNext << 15 << 3 << 1980 << QString();
    QTest::newRow("menu: 29 February 1999")      << mnuNext << 29 << 2 << 1999 << FebruaryMessage;
    QTest::newRow("menu: 31 November 1980")      << mnuNext << 31 << 11 << 1980 << ThirtyDayMonthMessage;
    // clang-format on
}

void tst_frmMain::validation()
{
    QFETCH(QString, trigger);
    QFETCH(int, day);
    QFETCH(int, month);
    QFETCH(int, year);
    QFETCH(QString, message);

    const auto time = year % 2 == 1 ? modFirdaria::TimeOfBirth::Night : modFirdaria::TimeOfBirth::Day;
    chooseBirth(*app_->main, {day, month, year, time});
    const WindowState before = state();
    QSignalSpy readings(app_->main.get(), &frmMain::readingRequested);

    if (trigger == QLatin1String("cmdNext"))
        QTest::mouseClick(child<QPushButton>(trigger), Qt::LeftButton);
    else
        action(trigger)->trigger();
    // The menu item's handler runs once the item has returned: assistive
    // technology presses an item through a call that waits for it to return.
    if (trigger == QLatin1String("mnuNext"))
        QCOMPARE(app_->fake.messages.size() + readings.size(), 0);
    QTRY_COMPARE(app_->fake.messages.size() + readings.size(), 1);

    if (message.isEmpty()) {
        QCOMPARE(app_->fake.messages.size(), 0);
        QCOMPARE(readings.size(), 1);
        const auto birth = readings.first().first().value<modFirdaria::BirthData>();
        QCOMPARE(birth.day, day);
        QCOMPARE(birth.month, month);
        QCOMPARE(birth.year, year);
        QCOMPARE(birth.timeOfBirth, time);
    } else {
        const zorvane::ui::Message shown{QStringLiteral("Zorvane"), message, MessageIcon::Information,
                                         MessageButtons::Ok};
        QCOMPARE(app_->fake.messages, QList{shown});
        QCOMPARE(readings.size(), 0);
    }
    // The check changes no choice; a rejected press leaves the window as it
    // was, an accepted one goes on to the results, which replace it.
    WindowState expected = before;
    expected.visible = !message.isEmpty();
    QCOMPARE(state(), expected);
    QCOMPARE(app_->ends.ends, 0);
}

// --- About box ----------------------------------------------------------------

void tst_frmMain::aboutBox_data()
{
    QTest::addColumn<QString>("closeBy");

    // clang-format off
    QTest::newRow("OK button") << "cmdOK";
    QTest::newRow("Enter key") << "Enter";
    QTest::newRow("Esc key") << "Esc";
    QTest::newRow("close box") << "close";
    // clang-format on
}

void tst_frmMain::aboutBox()
{
    QFETCH(QString, closeBy);

    struct Seen {
        QString name, title;
        bool modal = false;
        QSize clientSize;
        QSize picture;
        bool iconSet = false;
        QStringList texts;
        bool openWindow = false;
    } seen;

    chooseBirth(*app_->main, {3, 3, 1933, modFirdaria::TimeOfBirth::Night});
    const WindowState before = state();
    // The item returns before the box opens: assistive technology presses a
    // menu item through a call that waits for it to return.
    bool returned = false;
    bool openedAfterReturn = false;
    const auto open = [&] {
        action(QStringLiteral("mnuAbout"))->trigger();
        returned = true;
    };
    QVERIFY(handleModal(open, [&](QWidget* box) {
        openedAfterReturn = returned;
        seen.name = box->objectName();
        seen.title = box->windowTitle();
        seen.modal = box->isModal();
        seen.clientSize = box->size();
        if (const auto* picture = box->findChild<QLabel*>(QStringLiteral("Picture1")))
            seen.picture = picture->pixmap().size();
        seen.iconSet = !box->windowIcon().isNull();
        for (const char* name : {"Label2", "Label1", "Label3", "lblCoBrand", "lblHomePage"})
            if (const auto* label = box->findChild<QLabel*>(QString::fromLatin1(name)))
                seen.texts << label->text();
        seen.openWindow = zorvane::ui::openWindows().contains(box);

        if (closeBy == QLatin1String("cmdOK"))
            QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        else if (closeBy == QLatin1String("Enter"))
            QTest::keyClick(box, Qt::Key_Return);
        else if (closeBy == QLatin1String("Esc"))
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->close();
    }));

    QCOMPARE(seen.name, QStringLiteral("frmAbout"));
    QCOMPARE(seen.title, QStringLiteral("Zorvane v1.0"));
    QVERIFY(seen.modal);
    QCOMPARE(seen.clientSize, QSize(455, 258));  // 6825 x 3870 twips
    QCOMPARE(seen.picture, QSize(32, 32));
    QVERIFY(seen.iconSet);
    QCOMPARE(seen.texts.size(), 5);
    QCOMPARE(seen.texts.at(0), QStringLiteral("Zorvane v1.0"));
    QVERIFY(seen.texts.at(1).startsWith(QStringLiteral(
        "Zorvane is a form of Medieval astrology that maps the different periods of  life to different planets and "
        "thus the influence they have on an individual's destiny. Firdaria means periods in Persian. ")));
    QCOMPARE(seen.texts.at(2), QStringLiteral("Home Business Opportunity. Start your own Internet business and make "
                                              "money online. Get this software fully branded for your website."));
    QCOMPARE(seen.texts.at(3), QStringLiteral("Click here for more details."));
    // The maker's site as people write it, the host of the configured home
    // page, whatever that is.
    const QString site = QUrl(modHelp::PageAddresses().homePage).host();
    QVERIFY(!site.isEmpty());
    QVERIFY2(seen.texts.at(1).endsWith(QStringLiteral(" %1.").arg(site)), qPrintable(seen.texts.at(1)));
    QCOMPARE(seen.texts.at(4), QStringLiteral("Visit us at %1").arg(site));
    QVERIFY(seen.openWindow);
    QVERIFY(openedAfterReturn);

    // Closed and destroyed; the main window as it was.
    QTRY_COMPARE(app_->main->findChildren<QDialog*>().size(), 0);
    QCOMPARE(state(), before);
    QCOMPARE(app_->ends.ends, 0);
    QCOMPARE(urls_.opened.size(), 0);
}

// --- Ending -------------------------------------------------------------------

void tst_frmMain::closingEndsProgram_data()
{
    QTest::addColumn<QString>("how");

    // clang-format off
    QTest::newRow("close box") << "close";
    QTest::newRow("File > Exit") << "mnuExit";
    QTest::newRow("hidden Exit button") << "cmdExit";
    // clang-format on
}

void tst_frmMain::closingEndsProgram()
{
    QFETCH(QString, how);

    // A hidden window created later, as the results frame is.
    auto* later = new QWidget;
    later->setAttribute(Qt::WA_DeleteOnClose);
    zorvane::ui::addOpenWindow(later);
    QPointer<QWidget> laterAlive(later);

    if (how == QLatin1String("close"))
        app_->main->close();
    else if (how == QLatin1String("mnuExit"))
        action(how)->trigger();
    else
        child<QPushButton>(how)->click();

    QCOMPARE(app_->ends.ends, 1);
    QVERIFY(zorvane::app::isEnding());
    QVERIFY(!app_->main->isVisible());
    QTRY_VERIFY(laterAlive.isNull());
    QCOMPARE(app_->fake.messages.size(), 0);
}

QTEST_MAIN(tst_frmMain)
#include "tst_frmmain.moc"
