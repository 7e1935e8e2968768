// Writing a reading onto the period panels: the captions of the 15 March 1980
// readings, the order of the rows and their dates, the description buttons
// left alone, and captions that fit their controls.

#include "FillResults.h"
#include "ResultsTestSupport.h"
#include "Style.h"
#include "frmDisplay.h"

#include <QDate>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace modFirdaria;

Q_DECLARE_METATYPE(modFirdaria::TimeOfBirth)
Q_DECLARE_METATYPE(modFirdaria::BirthData)

namespace {

std::unique_ptr<frmDisplay> filledWith(const BirthData& data)
{
    auto display = std::make_unique<frmDisplay>();
    FillResults(ComputeFirdaria(data), *display);
    return display;
}

// The text of a control found by its name: a label's text or a panel's caption.
QString captionOf(const frmDisplay& display, const QString& name)
{
    if (const auto* panel = display.findChild<QGroupBox*>(name))
        return panel->title();
    if (const auto* label = display.findChild<QLabel*>(name))
        return label->text();
    return QStringLiteral("<no control %1>").arg(name);
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

const QString Sun = QStringLiteral("The Sun :: ");

}  // namespace

class TestFillResults : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void captionsOf15March1980_data();
    void captionsOf15March1980();

    void rowNamesFollowTheSequence_data();
    void rowNamesFollowTheSequence();

    void datesRiseThroughEachPanel_data();
    void datesRiseThroughEachPanel();

    void descriptionButtonsKeepTheirCaptions_data();
    void descriptionButtonsKeepTheirCaptions();

    void captionsFitTheirControls_data();
    void captionsFitTheirControls();
};

void TestFillResults::initTestCase()
{
    zorvane::ui::installFontSubstitutes();
    QCOMPARE(ShortDateText(Date{std::chrono::year(1980), std::chrono::March, std::chrono::day(15)}),
             QStringLiteral("3/15/1980"));
}

void TestFillResults::captionsOf15March1980_data()
{
    QTest::addColumn<TimeOfBirth>("time");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");

    const auto day = TimeOfBirth::Day;
    const auto night = TimeOfBirth::Night;
    // clang-format off
    QTest::newRow("day    time of birth") << day << "lblTimeOfBirth" << "Day";
    QTest::newRow("day    panel 0")       << day << "fraPlanetName(0)" << Sun + "3/15/1980";
    QTest::newRow("day    panel 6")       << day << "fraPlanetName(6)" << "Mars :: 3/15/2043";
    QTest::newRow("day    row 0 name")    << day << "lblPlanetCycleName(0)" << "Sun/Venus -";
    QTest::newRow("day    row 0 date")    << day << "lblPlanetCycle(0)" << "8/18/1981";
    QTest::newRow("day    row 5 name")    << day << "lblPlanetCycleName(5)" << "Sun/Mars -";
    QTest::newRow("day    row 5 date")    << day << "lblPlanetCycle(5)" << "10/9/1988";
    QTest::newRow("day    row 24 name")   << day << "lblPlanetCycleName(24)" << "Saturn/Jupiter -";
    QTest::newRow("day    row 24 date")   << day << "lblPlanetCycle(24)" << "10/9/2021";
    QTest::newRow("day    row 41 name")   << day << "lblPlanetCycleName(41)" << "Mars/Jupiter - ";
    QTest::newRow("day    row 41 date")   << day << "lblPlanetCycle(41)" << "3/15/2049";
    QTest::newRow("day    north node")    << day << "lblNNodePlanetName" << "North Node :: 3/15/2050";
    QTest::newRow("day    south node")    << day << "lblSNodePlanetName" << "South Node :: 3/15/2053";

    QTest::newRow("night  time of birth") << night << "lblTimeOfBirth" << "Night";
    QTest::newRow("night  panel 0")       << night << "fraPlanetName(0)" << "The Moon :: 3/15/1980";
    QTest::newRow("night  panel 4")       << night << "fraPlanetName(4)" << Sun + "3/15/2024";
    QTest::newRow("night  panel 6")       << night << "fraPlanetName(6)" << "Mercury :: 3/15/2042";
    QTest::newRow("night  row 0 name")    << night << "lblPlanetCycleName(0)" << "Moon/Saturn -";
    QTest::newRow("night  row 0 date")    << night << "lblPlanetCycle(0)" << "6/27/1981";
    QTest::newRow("night  row 5 name")    << night << "lblPlanetCycleName(5)" << "Moon/Mercury -";
    QTest::newRow("night  row 5 date")    << night << "lblPlanetCycle(5)" << "12/1/1987";
    QTest::newRow("night  row 24 name")   << night << "lblPlanetCycleName(24)" << "Sun/Venus -";
    QTest::newRow("night  row 24 date")   << night << "lblPlanetCycle(24)" << "8/18/2025";
    QTest::newRow("night  row 41 name")   << night << "lblPlanetCycleName(41)" << "Mercury/Venus -";
    QTest::newRow("night  row 41 date")   << night << "lblPlanetCycle(41)" << "5/5/2053";
    QTest::newRow("night  north node")    << night << "lblNNodePlanetName" << "North Node :: 3/15/2019";
    QTest::newRow("night  south node")    << night << "lblSNodePlanetName" << "South Node :: 3/15/2022";
    // clang-format on
}

void TestFillResults::captionsOf15March1980()
{
    QFETCH(TimeOfBirth, time);
    QFETCH(QString, control);
    QFETCH(QString, caption);

    const auto display = filledWith(modFirdaria::BirthData{15, 3, 1980, time});
    QCOMPARE(captionOf(*display, control), caption);
}

void TestFillResults::rowNamesFollowTheSequence_data()
{
    QTest::addColumn<TimeOfBirth>("time");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("nameIndex");

    // A day birth shows the names in table order. A night birth starts with
    // the Moon (names 18..41), then the Sun, Venus and Mercury (names 0..17).
    for (int row = 0; row < frmDisplay::RowCount; ++row) {
        // clang-format off
        QTest::addRow("day    row %02d", row) << TimeOfBirth::Day << row << row;
        QTest::addRow("night  row %02d", row) << TimeOfBirth::Night << row << (row + 18) % SubPeriodNameCount;
    }
    // clang-format on
}

void TestFillResults::rowNamesFollowTheSequence()
{
    QFETCH(TimeOfBirth, time);
    QFETCH(int, row);
    QFETCH(int, nameIndex);

    const auto display = filledWith(modFirdaria::BirthData{7, 11, 1964, time});
    QCOMPARE(display->lblPlanetCycleName[static_cast<std::size_t>(row)]->text(),
             QString::fromLatin1(SubPeriodNames[static_cast<std::size_t>(nameIndex)]));
}

void TestFillResults::datesRiseThroughEachPanel_data()
{
    QTest::addColumn<BirthData>("data");

    for (const TimeOfBirth time : {TimeOfBirth::Day, TimeOfBirth::Night}) {
        const char* t = time == TimeOfBirth::Day ? "day  " : "night";
        // clang-format off
        QTest::addRow("%s  1 Jan 1910", t) << modFirdaria::BirthData{1, 1, 1910, time};
        QTest::addRow("%s 15 Mar 1980", t) << modFirdaria::BirthData{15, 3, 1980, time};
        QTest::addRow("%s 29 Feb 2000", t) << modFirdaria::BirthData{29, 2, 2000, time};
        QTest::addRow("%s 31 Dec 2050", t) << modFirdaria::BirthData{31, 12, 2050, time};
    }
    // clang-format on
}

void TestFillResults::datesRiseThroughEachPanel()
{
    QFETCH(BirthData, data);

    // Within a panel the heading's date comes first and each row starts
    // later than the row above; every row of a panel starts before the next
    // panel's period.
    const auto display = filledWith(data);
    for (int f = 0; f < frmDisplay::PanelCount; ++f) {
        QDate previous = headingDate(display->fraPlanetName[static_cast<std::size_t>(f)]->title());
        QVERIFY2(previous.isValid(), qPrintable(display->fraPlanetName[static_cast<std::size_t>(f)]->title()));
        for (int k = 0; k < frmDisplay::RowsPerPanel; ++k) {
            const QString text =
                display->lblPlanetCycle[static_cast<std::size_t>(frmDisplay::RowsPerPanel * f + k)]->text();
            const QDate date = shownDate(text);
            QVERIFY2(date > previous, qPrintable(QStringLiteral("panel %1 row %2: %3").arg(f).arg(k).arg(text)));
            previous = date;
        }
        if (f + 1 < frmDisplay::PanelCount) {
            const QDate next = headingDate(display->fraPlanetName[static_cast<std::size_t>(f + 1)]->title());
            QVERIFY2(previous < next,
                     qPrintable(QStringLiteral("panel %1 ends after panel %2 starts").arg(f).arg(f + 1)));
        }
    }
}

void TestFillResults::descriptionButtonsKeepTheirCaptions_data()
{
    QTest::addColumn<TimeOfBirth>("time");
    // clang-format off
    QTest::newRow("day")   << TimeOfBirth::Day;
    QTest::newRow("night") << TimeOfBirth::Night;
    // clang-format on
}

void TestFillResults::descriptionButtonsKeepTheirCaptions()
{
    QFETCH(TimeOfBirth, time);

    // The buttons follow the fixed ruler order whatever the sequence.
    const frmDisplay untouched;
    const auto display = filledWith(modFirdaria::BirthData{15, 3, 1980, time});
    QCOMPARE(display->cmdDesc[index(Ruler::Sun)]->text(), QStringLiteral("Click To Know More About The Sun"));
    QCOMPARE(display->cmdDesc[index(Ruler::SouthNode)]->text(), QStringLiteral("Click To Know More About S. Node"));
    for (std::size_t i = 0; i < display->cmdDesc.size(); ++i)
        QCOMPARE(display->cmdDesc[i]->text(), untouched.cmdDesc[i]->text());
}

void TestFillResults::captionsFitTheirControls_data()
{
    QTest::addColumn<BirthData>("data");

    // Two-digit months and days give the widest dates.
    for (const TimeOfBirth time : {TimeOfBirth::Day, TimeOfBirth::Night}) {
        const char* t = time == TimeOfBirth::Day ? "day  " : "night";
        // clang-format off
        QTest::addRow("%s 15 Mar 1980", t) << modFirdaria::BirthData{15, 3, 1980, time};
        QTest::addRow("%s 28 Dec 1999", t) << modFirdaria::BirthData{28, 12, 1999, time};
        QTest::addRow("%s 31 Dec 2050", t) << modFirdaria::BirthData{31, 12, 2050, time};
        QTest::addRow("%s 30 Nov 2048", t) << modFirdaria::BirthData{30, 11, 2048, time};
    }
    // clang-format on
}

void TestFillResults::captionsFitTheirControls()
{
    QFETCH(BirthData, data);

    const auto display = filledWith(data);
    auto fits = [](const QLabel* label) {
        return QFontMetrics(label->font()).horizontalAdvance(label->text()) <= label->width();
    };
    for (const QLabel* label : display->lblPlanetCycleName)
        QVERIFY2(fits(label), qPrintable(label->text()));
    for (const QLabel* label : display->lblPlanetCycle)
        QVERIFY2(fits(label), qPrintable(label->text()));
    QVERIFY2(fits(display->lblNNodePlanetName), qPrintable(display->lblNNodePlanetName->text()));
    QVERIFY2(fits(display->lblSNodePlanetName), qPrintable(display->lblSNodePlanetName->text()));
    QVERIFY(fits(display->lblTimeOfBirth));
    QVERIFY(fits(display->Label1));
    for (const QGroupBox* panel : display->fraPlanetName) {
        const int width = QFontMetrics(panel->font()).horizontalAdvance(panel->title());
        QVERIFY2(width < panel->width(), qPrintable(panel->title()));
    }
}

QTEST_MAIN(TestFillResults)
#include "tst_fillresults.moc"
