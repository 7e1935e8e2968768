// Writing a reading onto the period panels, without a window: the captions of
// the 15 March 1980 readings, the names taken from the table handed in, the
// order of the rows and their dates, and every caption written on every
// reading.

#include "FillResults.h"
#include "RecordedPanels.h"
#include "RulerNames.h"
#include "modFirdaria.h"

#include <QDate>
#include <QLocale>
#include <QTest>

using namespace modFirdaria;
using zorvane::test::firstSubPeriodName;
using zorvane::test::RecordedPanels;
using zorvane::test::subPeriodNamesByRule;

Q_DECLARE_METATYPE(modFirdaria::TimeOfBirth)
Q_DECLARE_METATYPE(modFirdaria::BirthData)

namespace {

RecordedPanels filledWith(const BirthData& birth, const SubPeriodNameTable& names = subPeriodNamesByRule())
{
    RecordedPanels panels;
    FillResults(ComputeFirdaria(birth, names), panels);
    return panels;
}

QDate shownDate(const QString& text)
{
    // The tests run under en_US: month/day/four-digit year.
    return QDate::fromString(text, QStringLiteral("M/d/yyyy"));
}

QDate headingDate(const QString& heading)
{
    return shownDate(heading.section(QStringLiteral(" :: "), 1));
}

QString rowName(int row)
{
    return zorvane::test::indexedName("lblPlanetCycleName", row);
}

QString rowDate(int row)
{
    return zorvane::test::indexedName("lblPlanetCycle", row);
}

QString panelHeading(int panel)
{
    return zorvane::test::indexedName("fraPlanetName", panel);
}

}  // namespace

class tst_FillResults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void captionsOf15March1980_data();
    void captionsOf15March1980();

    void rowNamesComeFromTheTableHandedIn_data();
    void rowNamesComeFromTheTableHandedIn();

    void datesRiseThroughEachPanel_data();
    void datesRiseThroughEachPanel();

    void everyCaptionOnEveryReading_data();
    void everyCaptionOnEveryReading();

    void periodOrder_data();
    void periodOrder();
};

void tst_FillResults::initTestCase()
{
    QCOMPARE(ShortDateText(QLocale::system())(Date{std::chrono::year(1980), std::chrono::March, std::chrono::day(15)}),
             QStringLiteral("3/15/1980"));
}

void tst_FillResults::captionsOf15March1980_data()
{
    QTest::addColumn<TimeOfBirth>("time");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");

    const auto day = TimeOfBirth::Day;
    const auto night = TimeOfBirth::Night;
    // clang-format off
    QTest::newRow("day time of birth") << day << "lblTimeOfBirth" << "Day";
    QTest::newRow("day panel 0")       << day << "fraPlanetName(0)" << "The Sun :: 3/15/1980";
    QTest::newRow("day panel 6")       << day << "fraPlanetName(6)" << "Mars :: 3/15/2043";
    QTest::newRow("day row 0 date")    << day << "lblPlanetCycle(0)" << "8/18/1981";
    QTest::newRow("day row 5 date")    << day << "lblPlanetCycle(5)" << "10/9/1988";
    QTest::newRow("day row 24 date")   << day << "lblPlanetCycle(24)" << "10/9/2021";
    QTest::newRow("day row 41 date")   << day << "lblPlanetCycle(41)" << "3/15/2049";
    QTest::newRow("day north node")    << day << "lblNNodePlanetName" << "North Node :: 3/15/2050";
    QTest::newRow("day south node")    << day << "lblSNodePlanetName" << "South Node :: 3/15/2053";

    QTest::newRow("night time of birth") << night << "lblTimeOfBirth" << "Night";
    QTest::newRow("night panel 0")       << night << "fraPlanetName(0)" << "The Moon :: 3/15/1980";
    QTest::newRow("night panel 4")       << night << "fraPlanetName(4)" << "The Sun :: 3/15/2024";
    QTest::newRow("night panel 6")       << night << "fraPlanetName(6)" << "Mercury :: 3/15/2042";
    QTest::newRow("night row 0 date")    << night << "lblPlanetCycle(0)" << "6/27/1981";
    QTest::newRow("night row 5 date")    << night << "lblPlanetCycle(5)" << "12/1/1987";
    QTest::newRow("night row 24 date")   << night << "lblPlanetCycle(24)" << "8/18/2025";
    QTest::newRow("night row 41 date")   << night << "lblPlanetCycle(41)" << "5/5/2053";
    QTest::newRow("night north node")    << night << "lblNNodePlanetName" << "North Node :: 3/15/2019";
    QTest::newRow("night south node")    << night << "lblSNodePlanetName" << "South Node :: 3/15/2022";
    // clang-format on
}

void tst_FillResults::captionsOf15March1980()
{
    QFETCH(TimeOfBirth, time);
    QFETCH(QString, control);
    QFETCH(QString, caption);

    const RecordedPanels panels = filledWith(BirthData{15, 3, 1980, time});
    QVERIFY2(panels.captions.contains(control), qPrintable(control));
    QCOMPARE(panels.captions.value(control), caption);
}

void tst_FillResults::rowNamesComeFromTheTableHandedIn_data()
{
    QTest::addColumn<TimeOfBirth>("time");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("nameIndex");

    // A day birth shows the names in table order. A night birth starts with
    // the Moon's names and goes on to the end of the table, then the Sun's,
    // Venus's and Mercury's from its start.
    const int moon = firstSubPeriodName(Ruler::Moon);
    for (int row = 0; row < PeriodPanels::RowCount; ++row) {
        // clang-format off
        QTest::addRow("day row %d", row)   << TimeOfBirth::Day << row << row;
        QTest::addRow("night row %d", row) << TimeOfBirth::Night << row << (row + moon) % SubPeriodNameCount;
        // clang-format on
    }
}

// The rows name their sub-periods from the table that the reading was given
// (the main window's SubPeriodNames), here one whose entries tell their place.
void tst_FillResults::rowNamesComeFromTheTableHandedIn()
{
    QFETCH(TimeOfBirth, time);
    QFETCH(int, row);
    QFETCH(int, nameIndex);

    SubPeriodNameTable marked;
    for (std::size_t i = 0; i < marked.size(); ++i)
        marked[i] = QStringLiteral("entry %1").arg(i);

    const RecordedPanels panels = filledWith(BirthData{7, 11, 1964, time}, marked);
    QCOMPARE(panels.captions.value(rowName(row)), QStringLiteral("entry %1").arg(nameIndex));
}

void tst_FillResults::datesRiseThroughEachPanel_data()
{
    QTest::addColumn<BirthData>("data");

    for (const TimeOfBirth time : {TimeOfBirth::Day, TimeOfBirth::Night}) {
        const char* t = time == TimeOfBirth::Day ? "day" : "night";
        // clang-format off
        QTest::addRow("%s 1 Jan 1910", t)  << BirthData{1, 1, 1910, time};
        QTest::addRow("%s 15 Mar 1980", t) << BirthData{15, 3, 1980, time};
        QTest::addRow("%s 29 Feb 2000", t) << BirthData{29, 2, 2000, time};
        QTest::addRow("%s 31 Dec 2050", t) << BirthData{31, 12, 2050, time};
        // clang-format on
    }
}

void tst_FillResults::datesRiseThroughEachPanel()
{
    QFETCH(BirthData, data);

    // Within a panel the heading's date comes first and each row starts
    // later than the row above; every row of a panel starts before the next
    // panel's period.
    const RecordedPanels panels = filledWith(data);
    for (int f = 0; f < PeriodPanels::PanelCount; ++f) {
        const QString heading = panels.captions.value(panelHeading(f));
        QDate previous = headingDate(heading);
        QVERIFY2(previous.isValid(), qPrintable(heading));
        for (int k = 0; k < PeriodPanels::RowsPerPanel; ++k) {
            const QString text = panels.captions.value(rowDate(PeriodPanels::RowsPerPanel * f + k));
            const QDate date = shownDate(text);
            QVERIFY2(date > previous, qPrintable(QStringLiteral("panel %1 row %2: %3").arg(f).arg(k).arg(text)));
            previous = date;
        }
        if (f + 1 < PeriodPanels::PanelCount) {
            const QDate next = headingDate(panels.captions.value(panelHeading(f + 1)));
            QVERIFY2(previous < next,
                     qPrintable(QStringLiteral("panel %1 ends after panel %2 starts").arg(f).arg(f + 1)));
        }
    }
}

void tst_FillResults::everyCaptionOnEveryReading_data()
{
    QTest::addColumn<BirthData>("first");
    QTest::addColumn<BirthData>("second");

    // clang-format off
    QTest::newRow("night, then day") << BirthData{15, 3, 1980, TimeOfBirth::Night} << BirthData{2, 11, 1975, TimeOfBirth::Day};
    QTest::newRow("day, then night") << BirthData{29, 2, 2000, TimeOfBirth::Day} << BirthData{31, 12, 2050, TimeOfBirth::Night};
    QTest::newRow("the same twice")  << BirthData{1, 1, 1910, TimeOfBirth::Day} << BirthData{1, 1, 1910, TimeOfBirth::Day};
    // clang-format on
}

// Each reading writes each of the 94 captions once, so that panels filled
// with one reading and then another show only the second.
void tst_FillResults::everyCaptionOnEveryReading()
{
    QFETCH(BirthData, first);
    QFETCH(BirthData, second);

    RecordedPanels panels;
    FillResults(ComputeFirdaria(first, subPeriodNamesByRule()), panels);
    QCOMPARE(panels.writes.size(), RecordedPanels::controlNames().size());
    QStringList written = panels.captions.keys();
    QStringList expected = RecordedPanels::controlNames();
    written.sort();
    expected.sort();
    QCOMPARE(written, expected);

    panels.writes.clear();
    FillResults(ComputeFirdaria(second, subPeriodNamesByRule()), panels);
    QCOMPARE(panels.writes.size(), RecordedPanels::controlNames().size());
    QCOMPARE(panels.captions, filledWith(second).captions);
}

void tst_FillResults::periodOrder_data()
{
    QTest::addColumn<BirthData>("birth");
    QTest::addColumn<QStringList>("inTime");

    const auto panels = [](std::initializer_list<int> places) {
        QStringList names;
        for (const int place : places)
            names << zorvane::test::indexedName("fraPlanetName", place);
        return names;
    };
    const QString north = QStringLiteral("lblNNodePlanetName");
    const QString south = QStringLiteral("lblSNodePlanetName");
    // clang-format off
    QTest::newRow("day: the nodes last") << BirthData{15, 3, 1980, TimeOfBirth::Day}
        << panels({0, 1, 2, 3, 4, 5, 6}) + QStringList{north, south};
    QTest::newRow("night: the nodes after Mars") << BirthData{15, 3, 1980, TimeOfBirth::Night}
        << panels({0, 1, 2, 3}) + QStringList{north, south} + panels({4, 5, 6});
    // clang-format on
}

// The window is told the order in which the periods come in time, which it
// follows for the keyboard.
void tst_FillResults::periodOrder()
{
    QFETCH(BirthData, birth);
    QFETCH(QStringList, inTime);

    QCOMPARE(filledWith(birth).periodOrder, inTime);
}

QTEST_GUILESS_MAIN(tst_FillResults)
#include "tst_fillresults.moc"
