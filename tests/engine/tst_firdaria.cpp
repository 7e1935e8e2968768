// Tables, dating and short date texts of the Firdaria engine.

#include "RulerNames.h"
#include "modFirdaria.h"

#include <QDate>
#include <QLocale>
#include <QSet>
#include <QTest>

#include <algorithm>

using namespace modFirdaria;
using zorvane::test::cycleSuccessor;
using zorvane::test::shortName;
using zorvane::test::subPeriodNamesByRule;

namespace {

Date toDate(QDate date)
{
    return Date{std::chrono::year(date.year()), std::chrono::month(static_cast<unsigned>(date.month())),
                std::chrono::day(static_cast<unsigned>(date.day()))};
}

BirthData birthOn(QDate date, TimeOfBirth time)
{
    return BirthData{date.day(), date.month(), date.year(), time};
}

QDate md(int month, int day, int year)
{
    return QDate(year, month, day);
}

bool isPlanet(Ruler ruler)
{
    return ruler != Ruler::NorthNode && ruler != Ruler::SouthNode;
}

// Births checked one in `step` days: the whole range in an ordinary build,
// a sample where the tests run much slower (ZORVANE_TEST_BIRTH_STEP=7 under
// the sanitizers).
int birthStep()
{
    return std::max(1, qEnvironmentVariableIntValue("ZORVANE_TEST_BIRTH_STEP"));
}

}  // namespace

class tst_Firdaria : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sequences_data();
    void sequences();

    void addYearsOrDays_data();
    void addYearsOrDays();

    void widenTwoDigitYear_data();
    void widenTwoDigitYear();
    void directTextsMatchQLocale_data();
    void directTextsMatchQLocale();
    void shortDateText_data();
    void shortDateText();

    void everyBirthDate_data();
    void everyBirthDate();
};

// --- Tables ------------------------------------------------------------------

void tst_Firdaria::sequences_data()
{
    QTest::addColumn<TimeOfBirth>("time");
    QTest::addColumn<QList<Ruler>>("order");

    using enum Ruler;
    // clang-format off
    QTest::newRow("day")   << TimeOfBirth::Day
                           << QList<Ruler>{Sun, Venus, Mercury, Moon, Saturn, Jupiter, Mars, NorthNode, SouthNode};
    QTest::newRow("night") << TimeOfBirth::Night
                           << QList<Ruler>{Moon, Saturn, Jupiter, Mars, NorthNode, SouthNode, Sun, Venus, Mercury};
    // clang-format on
}

// A ruler's period lasts as many years in either sequence.
void tst_Firdaria::sequences()
{
    QFETCH(TimeOfBirth, time);
    QFETCH(QList<Ruler>, order);
    constexpr std::array<int, RulerCount> yearsByRuler = {10, 8, 13, 9, 11, 12, 7, 3, 2};

    const auto& entries = sequence(time);
    QCOMPARE(std::size_t(order.size()), entries.size());
    for (int i = 0; i < RulerCount; ++i) {
        QCOMPARE(entries[i].ruler, order[i]);
        QCOMPARE(entries[i].years, yearsByRuler[index(order[i])]);
    }
}

// --- Date arithmetic -------------------------------------------------------------

void tst_Firdaria::addYearsOrDays_data()
{
    QTest::addColumn<bool>("inYears");  // AddYears, otherwise AddDays
    QTest::addColumn<QDate>("from");
    QTest::addColumn<int>("n");
    QTest::addColumn<QDate>("expected");

    // clang-format off
    QTest::newRow("years: ordinary day")            << true << md(3, 15, 1980) << 10 << md(3, 15, 1990);
    QTest::newRow("years: leap day to common year") << true << md(2, 29, 2000) << 10 << md(2, 28, 2010);
    QTest::newRow("years: leap day to leap year")   << true << md(2, 29, 2000) << 4 << md(2, 29, 2004);
    QTest::newRow("years: leap day to 2100")        << true << md(2, 29, 2096) << 4 << md(2, 28, 2100);
    QTest::newRow("years: 28 Feb stays 28 Feb")     << true << md(2, 28, 2010) << 2 << md(2, 28, 2012);
    QTest::newRow("years: 31 December")             << true << md(12, 31, 2050) << 62 << md(12, 31, 2112);
    QTest::newRow("years: zero years")              << true << md(2, 29, 1912) << 0 << md(2, 29, 1912);
    QTest::newRow("days: within a month")           << false << md(3, 15, 1980) << 10 << md(3, 25, 1980);
    QTest::newRow("days: into a leap day")          << false << md(2, 28, 2000) << 1 << md(2, 29, 2000);
    QTest::newRow("days: 2100 has no leap day")     << false << md(2, 28, 2100) << 1 << md(3, 1, 2100);
    QTest::newRow("days: across a year end")        << false << md(12, 31, 1999) << 1 << md(1, 1, 2000);
    QTest::newRow("days: Sun sub-period 2 of 2000") << false << md(2, 29, 2000) << 521 << md(8, 3, 2001);
    QTest::newRow("days: backwards")                << false << md(1, 1, 1910) << -1 << md(12, 31, 1909);
    // clang-format on
}

void tst_Firdaria::addYearsOrDays()
{
    QFETCH(bool, inYears);
    QFETCH(QDate, from);
    QFETCH(int, n);
    QFETCH(QDate, expected);

    const Date result = inYears ? AddYears(toDate(from), n) : AddDays(toDate(from), n);
    QVERIFY(result.ok());
    QCOMPARE(toQDate(result), expected);
}

// --- Short date texts ----------------------------------------------------------

void tst_Firdaria::widenTwoDigitYear_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");

    // clang-format off
    QTest::newRow("en_US two-digit year")    << "M/d/yy" << "M/d/yyyy";
    QTest::newRow("four digits kept")        << "dd/MM/yyyy" << "dd/MM/yyyy";
    QTest::newRow("year first")              << "yy. M. d." << "yyyy. M. d.";
    QTest::newRow("quoted yy kept")          << "d.MM.yy 'yy'" << "d.MM.yyyy 'yy'";
    QTest::newRow("doubled quote in quotes") << "'it''s yy' yy" << "'it''s yy' yyyy";
    QTest::newRow("lone doubled quote")      << "yy''M''d" << "yyyy''M''d";
    QTest::newRow("unclosed quote")          << "d/M/yy 'yy" << "d/M/yyyy 'yy";
    QTest::newRow("three letters y")         << "d/M/yyy" << "d/M/yyyy";
    QTest::newRow("single y is a letter")    << "d/M/y" << "d/M/y";
    QTest::newRow("no year")                 << "d MMM" << "d MMM";
    // clang-format on
}

void tst_Firdaria::widenTwoDigitYear()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);

    QCOMPARE(WidenTwoDigitYear(format), expected);
    QCOMPARE(WidenTwoDigitYear(expected), expected);
}

void tst_Firdaria::directTextsMatchQLocale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("format");
    QTest::addColumn<bool>("shortFormat");

    // Formats that exercise the quoting rules and every field written directly.
    const QLocale us("en_US");
    // clang-format off
    QTest::newRow("format: quoted letters")      << us << "'Day' d 'of' M, yyyy" << false;
    QTest::newRow("format: doubled quotes")      << us << "'it''s' d''M''yy" << false;
    QTest::newRow("format: unclosed quote")      << us << "dd/MM/yyyy 'left open" << false;
    QTest::newRow("format: padded fields")       << us << "dd-MM-yy" << false;
    QTest::newRow("format: three letters y")     << us << "d.M.yyy" << false;
    QTest::newRow("format: five letters d")      << us << "ddddd M yyyy" << false;
    QTest::newRow("format: time letters")        << us << "d/M/yyyy hh:mm" << false;
    QTest::newRow("format: non-ASCII literal")   << us << QStringLiteral("d.M.yyyy г.") << false;
    QTest::newRow("format: names en_US")         << us << "dddd, MMMM d, yyyy (ddd MMM)" << false;
    QTest::newRow("format: month names ru_RU")   << QLocale("ru_RU") << "d MMMM yyyy, d MMM" << false;
    QTest::newRow("format: short month ru_RU")   << QLocale("ru_RU") << "d MMM yyyy" << false;
    QTest::newRow("format: short month de_DE")   << QLocale("de_DE") << "d. MMM yy" << false;
    QTest::newRow("locale: C")                   << QLocale::c() << ShortDateFormat(QLocale::c()) << true;
    QTest::newRow("format: day names de_DE")     << QLocale("de_DE") << "dddd, ddd d.M.yy" << false;
    QTest::newRow("format: native digits ar_EG") << QLocale("ar_EG") << "dddd dd MMMM yyyy" << false;
    QTest::newRow("format: native digits fa_IR") << QLocale("fa_IR") << "yyyy/MM/dd" << false;

    // Every locale Qt knows, in its own short format.
    QSet<QString> seen;
    const auto locales = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    for (const QLocale& locale : locales) {
        const QString name = locale.bcp47Name();
        if (seen.contains(name))
            continue;
        seen.insert(name);
        QTest::newRow(qPrintable(QStringLiteral("locale: ") + name)) << locale << ShortDateFormat(locale) << true;
    }
    // clang-format on
}

// The directly written texts are those QLocale itself gives for the format,
// and under every locale's short format the year has four digits.
void tst_Firdaria::directTextsMatchQLocale()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, format);
    QFETCH(bool, shortFormat);

    const ShortDateText texts(locale, format);
    for (const QDate date :
         {md(1, 1, 1910), md(3, 15, 1980), md(2, 29, 2000), md(10, 5, 2009), md(6, 9, 2077), md(2, 21, 2124)}) {
        const QString text = texts(toDate(date));
        QCOMPARE(text, locale.toString(date, format));
        if (shortFormat)
            QVERIFY2(text.contains(locale.toString(date, u"yyyy")),
                     qPrintable(format + QStringLiteral(" gives ") + text));
    }
}

void tst_Firdaria::shortDateText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");  // 15 March 1980

    // clang-format off
    QTest::newRow("en_US") << "en_US" << "3/15/1980";
    QTest::newRow("en_GB") << "en_GB" << "15/03/1980";
    QTest::newRow("de_DE") << "de_DE" << "15.03.1980";
    QTest::newRow("ja_JP") << "ja_JP" << "1980/03/15";
    QTest::newRow("ko_KR") << "ko_KR" << "1980. 3. 15.";
    // clang-format on
}

// The locale's short format, its year widened.
void tst_Firdaria::shortDateText()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);

    QCOMPARE(ShortDateText(QLocale(locale))(toDate(md(3, 15, 1980))), expected);
}

// --- Every possible birth ------------------------------------------------------

void tst_Firdaria::everyBirthDate_data()
{
    QTest::addColumn<TimeOfBirth>("time");
    // clang-format off
    QTest::newRow("day")   << TimeOfBirth::Day;
    QTest::newRow("night") << TimeOfBirth::Night;
    // clang-format on
}

// Rules checked for every birth date from 1/1/1910 to 12/31/2050 (or one in
// birthStep() days): chained period starts with the 29 February clamp passed
// on to every later period (dated by QDate), six sub-periods for a planet and
// none for a node, day-counted sub-periods at whole sevenths of a 365.25-day
// year, Mars's on anniversaries, starts rising inside their period, names
// agreeing with the sub-rulers (so taken from the right index of
// SubPeriodNames). The first fault found is reported with its birth date.
void tst_Firdaria::everyBirthDate()
{
    QFETCH(TimeOfBirth, time);

    // Not the system's format (en_US): the texts follow the format handed in.
    const ShortDateText format{QLocale(QStringLiteral("de_DE"))};
    const QString shown = QStringLiteral("dd.MM.yyyy");
    const auto& order = sequence(time);
    const QDate first(1910, 1, 1);
    const QDate last(2050, 12, 31);

    std::array<QString, RulerCount> names;
    for (int r = 0; r < RulerCount; ++r)
        names[r] = shortName(static_cast<Ruler>(r));

    QString fault;
    int readings = 0;
    QDate latestShown = first;
    const auto check = [&](bool ok, const QDate& birth, const char* what, int number = 0) {
        if (!ok && fault.isEmpty())
            fault = birth.toString(Qt::ISODate) + QStringLiteral(": ") + QLatin1StringView(what) + u' '
                    + QString::number(number);
    };

    const int step = birthStep();
    for (QDate birth = first; birth <= last; birth = birth.addDays(step)) {
        const FirdariaReading reading = ComputeFirdaria(birthOn(birth, time), subPeriodNamesByRule(), format);
        ++readings;
        QDate expectedStart = birth;
        for (int i = 0; i < RulerCount; ++i) {
            const Period& period = reading.periods[i];
            const QDate start = toQDate(period.start);
            if (i > 0)
                expectedStart = expectedStart.addYears(order[i - 1].years);
            const QDate nextStart = expectedStart.addYears(order[i].years);
            check(period.ruler == order[i].ruler, birth, "period ruler", i + 1);
            check(start == expectedStart, birth, "start of period", i + 1);
            check(period.startText == start.toString(shown), birth, "text of period", i + 1);

            const bool planet = isPlanet(period.ruler);
            check(period.subPeriods.size() == (planet ? std::size_t(SubPeriodsPerPlanet) : 0u), birth,
                  "number of sub-periods of period", i + 1);
            QDate previous = start;
            QDate anniversary = start;
            for (std::size_t k = 0; k < period.subPeriods.size(); ++k) {
                const SubPeriod& sub = period.subPeriods[k];
                const int steps = int(k) + 1;
                const QDate subStart = toQDate(sub.start);
                anniversary = anniversary.addYears(1);
                const QDate expected = period.ruler == Ruler::Mars
                                           ? anniversary
                                           : start.addDays(qint64(steps) * order[i].years * 36525 / 700);
                check(subStart == expected, birth, "start of sub-period", steps + 1);
                check(previous < subStart && subStart < nextStart, birth, "order of sub-period", steps + 1);
                previous = subStart;
                latestShown = std::max(latestShown, subStart);

                const Ruler subRuler = cycleSuccessor(period.ruler, steps);
                check(sub.periodRuler == period.ruler && sub.ordinal == steps + 1, birth, "identity of sub-period",
                      steps + 1);
                check(sub.subRuler == subRuler, birth, "sub-ruler of sub-period", steps + 1);
                check(sub.name.startsWith(names[index(period.ruler)] + u'/' + names[index(subRuler)]
                                          + QStringLiteral(" -")),
                      birth, "name of sub-period", steps + 1);
                check(sub.startText == subStart.toString(shown), birth, "text of sub-period", steps + 1);
            }
            latestShown = std::max(latestShown, start);
        }
    }

    QCOMPARE(fault, QString());
    QCOMPARE(readings, int(first.daysTo(last)) / step + 1);
    if (step == 1)
        QCOMPARE(latestShown, time == TimeOfBirth::Night ? md(2, 21, 2124) : md(12, 31, 2123));
}

QTEST_GUILESS_MAIN(tst_Firdaria)

#include "tst_firdaria.moc"
