// The Firdaria tables and the dating of periods and sub-periods.

#include "modFirdaria.h"

#include <QDate>

namespace modFirdaria {

using std::chrono::days;
using std::chrono::sys_days;

// --- Tables ------------------------------------------------------------------

const std::array<SequenceEntry, RulerCount> DaySequence = {{
    {Ruler::Sun, 10, 0},
    {Ruler::Venus, 8, 10},
    {Ruler::Mercury, 13, 18},
    {Ruler::Moon, 9, 31},
    {Ruler::Saturn, 11, 40},
    {Ruler::Jupiter, 12, 51},
    {Ruler::Mars, 7, 63},
    {Ruler::NorthNode, 3, 70},
    {Ruler::SouthNode, 2, 73},
}};

const std::array<SequenceEntry, RulerCount> NightSequence = {{
    {Ruler::Moon, 9, 0},
    {Ruler::Saturn, 11, 9},
    {Ruler::Jupiter, 12, 20},
    {Ruler::Mars, 7, 32},
    {Ruler::NorthNode, 3, 39},
    {Ruler::SouthNode, 2, 42},
    {Ruler::Sun, 10, 44},
    {Ruler::Venus, 8, 54},
    {Ruler::Mercury, 13, 62},
}};

// One period ruler a line, Sun to Mars, ordinals 2 to 7.
// clang-format off
const std::array<const char*, SubPeriodNameCount> SubPeriodNames = {
    "Sun/Venus -", "Sun/Mercury -", "Sun/Moon -", "Sun/Saturn -", "Sun/Jupiter -", "Sun/Mars -",
    "Venus/Mercury -", "Venus/Moon -", "Venus/Saturn -", "Venus/Jupiter -", "Venus/Mars -", "Venus/Sun -",
    "Mercury/Moon -", "Mercury/Saturn -", "Mercury/Jupiter -", "Mercury/Mars -", "Mercury/Sun -", "Mercury/Venus -",
    "Moon/Saturn -", "Moon/Jupiter -", "Moon/Mars -", "Moon/Sun -", "Moon/Venus -", "Moon/Mercury -",
    "Saturn/Jupiter -", "Saturn/Mars -", "Saturn/Sun -", "Saturn/Venus -", "Saturn/Mercury -", "Saturn/Moon -",
    "Jupiter/Mars -", "Jupiter/Sun -", "Jupiter/Venus -", "Jupiter/Mercury -", "Jupiter/Moon -", "Jupiter/Saturn -",
    "Mars/Sun -", "Mars/Venus -", "Mars/Mercury - ", "Mars/Moon -", "Mars/Saturn -", "Mars/Jupiter - ",
};
// clang-format on

const std::array<std::array<int, SubPeriodsPerPlanet>, 6> SubPeriodDays = {{
    {521, 522, 522, 522, 521, 522},  // Sun, 10 years
    {417, 417, 418, 417, 418, 417},  // Venus, 8 years
    {678, 678, 678, 679, 678, 678},  // Mercury, 13 years
    {469, 470, 469, 470, 470, 469},  // Moon, 9 years
    {573, 574, 574, 574, 574, 574},  // Saturn, 11 years
    {626, 626, 626, 626, 626, 626},  // Jupiter, 12 years
}};

namespace {

struct RulerInfo {
    int years;
    RulerKind kind;
    const char* heading;
    int dayPosition;  // place among the planets of the Day sequence; -1 for a node
};

// Indexed by Ruler value.
constexpr std::array<RulerInfo, RulerCount> Rulers = {{
    {10, RulerKind::Planet, "The Sun :: ", 0},
    {8, RulerKind::Planet, "Venus :: ", 1},
    {13, RulerKind::Planet, "Mercury :: ", 2},
    {9, RulerKind::Planet, "The Moon :: ", 3},
    {11, RulerKind::Planet, "Saturn :: ", 4},
    {12, RulerKind::Planet, "Jupiter :: ", 5},
    {7, RulerKind::Planet, "Mars :: ", 6},
    {3, RulerKind::Node, "North Node :: ", -1},
    {2, RulerKind::Node, "South Node :: ", -1},
}};

// Mars's sub-periods are counted in whole years, on the anniversaries of the
// period's start; the other planets' in days (SubPeriodDays).
constexpr Ruler YearCountedPlanet = Ruler::Mars;

constexpr int cyclePlace(Ruler planet)
{
    for (int i = 0; i < PlanetCount; ++i) {
        if (SubRulerCycle[i] == planet)
            return i;
    }
    return -1;
}

// Row p: the six planets after the planet of Day position p, in cycle order.
constexpr std::array<std::array<Ruler, SubPeriodsPerPlanet>, PlanetCount> SubRulerRows = [] {
    std::array<std::array<Ruler, SubPeriodsPerPlanet>, PlanetCount> rows{};
    for (int r = 0; r < RulerCount; ++r) {
        const int p = Rulers[r].dayPosition;
        if (p < 0)
            continue;
        const int c = cyclePlace(static_cast<Ruler>(r));
        for (int k = 0; k < SubPeriodsPerPlanet; ++k)
            rows[p][k] = SubRulerCycle[(c + 1 + k) % PlanetCount];
    }
    return rows;
}();

// The names as QStrings, converted once: a reading uses all 42.
const std::array<QString, SubPeriodNameCount>& subPeriodNameTexts()
{
    static const std::array<QString, SubPeriodNameCount> texts = [] {
        std::array<QString, SubPeriodNameCount> t;
        for (int i = 0; i < SubPeriodNameCount; ++i)
            t[i] = QString::fromLatin1(SubPeriodNames[i]);
        return t;
    }();
    return texts;
}

int nameIndex(int dayPos, int ordinal)
{
    return SubPeriodsPerPlanet * dayPos + (ordinal - FirstListedOrdinal);
}

bool isListedOrdinal(int ordinal)
{
    return ordinal >= FirstListedOrdinal && ordinal <= LastOrdinal;
}

}  // namespace

// --- Lookups -----------------------------------------------------------------

int years(Ruler r)
{
    return Rulers[index(r)].years;
}

RulerKind kind(Ruler r)
{
    return Rulers[index(r)].kind;
}

const std::array<SequenceEntry, RulerCount>& sequence(TimeOfBirth t)
{
    return t == TimeOfBirth::Day ? DaySequence : NightSequence;
}

std::span<const Ruler> subRulers(Ruler r)
{
    const int p = dayPosition(r);
    if (p < 0)
        return {};
    return SubRulerRows[p];
}

QString PanelHeading(Ruler r)
{
    return QString::fromLatin1(Rulers[index(r)].heading);
}

QString subPeriodName(Ruler periodRuler, int ordinal)
{
    const int p = dayPosition(periodRuler);
    if (p < 0 || !isListedOrdinal(ordinal))
        return {};
    return subPeriodNameTexts()[nameIndex(p, ordinal)];
}

int dayPosition(Ruler r)
{
    return Rulers[index(r)].dayPosition;
}

// --- Dating ------------------------------------------------------------------

namespace {

// A day past the end of its month (only 29 February in a common year can
// arise from adding years) becomes the month's last day.
Date clampToMonthEnd(Date date)
{
    if (date.ok())
        return date;
    return std::chrono::year_month_day_last(date.year(), std::chrono::month_day_last(date.month()));
}

QDate toQDate(Date date)
{
    return QDate(static_cast<int>(date.year()), static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
}

}  // namespace

Date AddYears(Date date, int n)
{
    return clampToMonthEnd(date + std::chrono::years(n));
}

Date AddDays(Date date, int n)
{
    return Date(sys_days(date) + days(n));
}

// --- Short date texts ----------------------------------------------------------

namespace {

constexpr QChar Quote = u'\'';

// Reads the quoted part that starts at format[start] the way QLocale does:
// "''" stands for one quote, inside or outside a quoted part, and a part left
// open runs to the end. Appends its text to literal and returns the index
// after it.
qsizetype readQuoted(const QString& format, qsizetype start, QString& literal)
{
    qsizetype i = start + 1;
    if (i < format.size() && format.at(i) == Quote) {
        literal += Quote;
        return i + 1;
    }
    while (i < format.size()) {
        if (format.at(i) == Quote) {
            if (i + 1 < format.size() && format.at(i + 1) == Quote) {
                literal += Quote;
                i += 2;
                continue;
            }
            return i + 1;
        }
        literal += format.at(i);
        ++i;
    }
    return i;
}

qsizetype runLength(const QString& format, qsizetype start)
{
    qsizetype run = 1;
    while (start + run < format.size() && format.at(start + run) == format.at(start))
        ++run;
    return run;
}

}  // namespace

QString WidenTwoDigitYear(const QString& format)
{
    QString widened;
    widened.reserve(format.size() + 2);
    qsizetype i = 0;
    while (i < format.size()) {
        if (format.at(i) == Quote) {
            QString ignored;
            const qsizetype end = readQuoted(format, i, ignored);
            widened += QStringView(format).sliced(i, end - i);
            i = end;
            continue;
        }
        const qsizetype run = runLength(format, i);
        // "yy" is a two-digit year; "yyy" is read as "yy" plus a letter y.
        if (format.at(i) == u'y' && (run == 2 || run == 3))
            widened += QLatin1StringView("yyyy");
        else
            widened += QStringView(format).sliced(i, run);
        i += run;
    }
    return widened;
}

QString ShortDateFormat(const QLocale& locale)
{
    return WidenTwoDigitYear(locale.dateFormat(QLocale::ShortFormat));
}

DateTextFormat::DateTextFormat(const QLocale& locale)
    : DateTextFormat(locale, ShortDateFormat(locale))
{}

DateTextFormat::DateTextFormat(const QLocale& locale, const QString& format)
    : locale_(locale)
    , format_(format)
{
    compile();
}

// Splits the format into literals and fields, following QLocale's reading of
// quotes and letters, and reads the short month names if the format uses them.
// direct_ stays false for anything it does not write itself: weekday and long
// month names, time fields, odd widths, digits outside the Basic Multilingual
// Plane.
void DateTextFormat::compile()
{
    pieces_.clear();
    direct_ = false;
    const QString zero = locale_.zeroDigit();
    if (zero.size() != 1)
        return;
    zeroDigit_ = zero.at(0).unicode();

    QString literal;
    const auto flushLiteral = [&] {
        if (!literal.isEmpty()) {
            pieces_.push_back({Field::Literal, 0, literal});
            literal.clear();
        }
    };

    bool usesMonthNames = false;
    qsizetype i = 0;
    while (i < format_.size()) {
        const QChar c = format_.at(i);
        if (c == Quote) {
            i = readQuoted(format_, i, literal);
            continue;
        }
        if (!c.isLetter() || c.unicode() > 0x7f) {
            literal += c;
            ++i;
            continue;
        }
        const qsizetype run = runLength(format_, i);
        Field field = Field::Literal;
        if (c == u'd' && run <= 2)
            field = Field::Day;
        else if (c == u'M' && run <= 2)
            field = Field::Month;
        else if (c == u'M' && run == 3)
            field = Field::MonthName;
        else if (c == u'y' && (run == 2 || run == 4))
            field = Field::Year;
        else
            return;
        usesMonthNames = usesMonthNames || field == Field::MonthName;
        flushLiteral();
        pieces_.push_back({field, static_cast<int>(run), {}});
        i += run;
    }
    flushLiteral();

    if (usesMonthNames) {
        for (int m = 1; m <= 12; ++m)
            monthNames_[m - 1] = locale_.monthName(m, QLocale::ShortFormat);
    }
    direct_ = true;
}

// value in at most four digits, zero-padded to `digits`, in the locale's digits.
void DateTextFormat::appendNumber(QString& out, int value, int digits) const
{
    char16_t reversed[4];
    int n = 0;
    do {
        reversed[n++] = static_cast<char16_t>(zeroDigit_ + value % 10);
        value /= 10;
    } while (value > 0 && n < 4);
    for (int pad = n; pad < digits; ++pad)
        out += QChar(zeroDigit_);
    while (n > 0)
        out += QChar(reversed[--n]);
}

QString DateTextFormat::text(Date date) const
{
    if (!direct_)
        return locale_.toString(toQDate(date), format_);

    const int day = static_cast<int>(static_cast<unsigned>(date.day()));
    const int month = static_cast<int>(static_cast<unsigned>(date.month()));
    const int year = static_cast<int>(date.year());
    QString out;
    out.reserve(format_.size() + 8);
    for (const Piece& piece : pieces_) {
        switch (piece.field) {
        case Field::Literal:
            out += piece.literal;
            break;
        case Field::Day:
            appendNumber(out, day, piece.width);
            break;
        case Field::Month:
            appendNumber(out, month, piece.width);
            break;
        case Field::MonthName:
            out += monthNames_[month - 1];
            break;
        case Field::Year:
            appendNumber(out, piece.width == 2 ? year % 100 : year, piece.width);
            break;
        }
    }
    return out;
}

QString ShortDateText(Date date, const QLocale& locale)
{
    return DateTextFormat(locale).text(date);
}

QString ShortDateText(Date date)
{
    return ShortDateText(date, QLocale::system());
}

// --- The reading -----------------------------------------------------------------

namespace {

void addSubPeriods(Period& period, const DateTextFormat& format)
{
    const int p = dayPosition(period.ruler);
    if (p < 0)
        return;
    const auto& names = subPeriodNameTexts();
    const auto& rulers = SubRulerRows[p];
    const bool inYears = period.ruler == YearCountedPlanet;

    period.subPeriods.reserve(SubPeriodsPerPlanet);
    Date start = period.start;
    for (int k = 0; k < SubPeriodsPerPlanet; ++k) {
        start = inYears ? AddYears(start, 1) : AddDays(start, SubPeriodDays[index(period.ruler)][k]);
        const int ordinal = FirstListedOrdinal + k;
        SubPeriod sub;
        sub.periodRuler = period.ruler;
        sub.subRuler = rulers[k];
        sub.ordinal = ordinal;
        sub.start = start;
        sub.startText = format.text(start);
        sub.name = names[nameIndex(p, ordinal)];
        period.subPeriods.push_back(std::move(sub));
    }
}

}  // namespace

FirdariaReading ComputeFirdaria(const BirthData& birth, const DateTextFormat& format)
{
    FirdariaReading reading;
    reading.timeOfBirth = birth.timeOfBirth;
    const auto& order = sequence(birth.timeOfBirth);

    Date start{std::chrono::year(birth.year), std::chrono::month(static_cast<unsigned>(birth.month)),
               std::chrono::day(static_cast<unsigned>(birth.day))};
    for (int i = 0; i < RulerCount; ++i) {
        if (i > 0)
            start = AddYears(start, order[i - 1].years);
        Period& period = reading.periods[i];
        period.ruler = order[i].ruler;
        period.start = start;
        period.startText = format.text(start);
        addSubPeriods(period, format);
    }
    return reading;
}

FirdariaReading ComputeFirdaria(const BirthData& birth)
{
    // The format in force now serves every date of this reading.
    return ComputeFirdaria(birth, DateTextFormat(QLocale::system()));
}

}  // namespace modFirdaria
