// The Firdaria tables and the dating of periods and sub-periods.

#include "modFirdaria.h"

namespace modFirdaria {

using std::chrono::days;
using std::chrono::sys_days;

// --- Tables ------------------------------------------------------------------

const std::array<SequenceEntry, RulerCount> DaySequence = {{
    {Ruler::Sun, 10},
    {Ruler::Venus, 8},
    {Ruler::Mercury, 13},
    {Ruler::Moon, 9},
    {Ruler::Saturn, 11},
    {Ruler::Jupiter, 12},
    {Ruler::Mars, 7},
    {Ruler::NorthNode, 3},
    {Ruler::SouthNode, 2},
}};

// The nodes follow Mars; the Sun, Venus and Mercury come after them.
const std::array<SequenceEntry, RulerCount> NightSequence = {{
    {Ruler::Moon, 9},
    {Ruler::Saturn, 11},
    {Ruler::Jupiter, 12},
    {Ruler::Mars, 7},
    {Ruler::NorthNode, 3},
    {Ruler::SouthNode, 2},
    {Ruler::Sun, 10},
    {Ruler::Venus, 8},
    {Ruler::Mercury, 13},
}};

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
    const char* heading;
    int dayPosition;  // place among the planets of the Day sequence; -1 for a node
};

// Indexed by Ruler value.
constexpr std::array<RulerInfo, RulerCount> Rulers = {{
    {"The Sun :: ", 0},
    {"Venus :: ", 1},
    {"Mercury :: ", 2},
    {"The Moon :: ", 3},
    {"Saturn :: ", 4},
    {"Jupiter :: ", 5},
    {"Mars :: ", 6},
    {"North Node :: ", -1},
    {"South Node :: ", -1},
}};

int dayPosition(Ruler r)
{
    return Rulers[index(r)].dayPosition;
}

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

int nameIndex(int dayPos, int ordinal)
{
    return SubPeriodsPerPlanet * dayPos + (ordinal - FirstListedOrdinal);
}

}  // namespace

// --- Lookups -----------------------------------------------------------------

const std::array<SequenceEntry, RulerCount>& sequence(TimeOfBirth t)
{
    return t == TimeOfBirth::Day ? DaySequence : NightSequence;
}

QString PanelHeading(Ruler r)
{
    return QString::fromLatin1(Rulers[index(r)].heading);
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

}  // namespace

Date AddYears(Date date, int n)
{
    return clampToMonthEnd(date + std::chrono::years(n));
}

Date AddDays(Date date, int n)
{
    return Date(sys_days(date) + days(n));
}

// --- The reading -----------------------------------------------------------------

namespace {

void addSubPeriods(Period& period, const SubPeriodNameTable& names, const ShortDateText& format)
{
    const int p = dayPosition(period.ruler);
    if (p < 0)
        return;
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
        sub.startText = format(start);
        sub.name = names[nameIndex(p, ordinal)];
        period.subPeriods.push_back(std::move(sub));
    }
}

}  // namespace

FirdariaReading ComputeFirdaria(const BirthData& birth, const SubPeriodNameTable& names, const ShortDateText& format)
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
        period.startText = format(start);
        addSubPeriods(period, names, format);
    }
    return reading;
}

FirdariaReading ComputeFirdaria(const BirthData& birth, const SubPeriodNameTable& names)
{
    // The format in force now serves every date of this reading.
    return ComputeFirdaria(birth, names, ShortDateText(QLocale::system()));
}

}  // namespace modFirdaria
