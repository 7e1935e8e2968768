#pragma once

// The Firdaria scheme: rulers, sequences, the dating of periods and
// sub-periods, and the interpretation texts. Pure data and date arithmetic;
// no window code.

#include "ShortDateText.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace modFirdaria {

// The numeric value is fixed: it indexes ReadingTexts and the description
// buttons of the results.
enum class Ruler : std::uint8_t {
    Sun = 0,
    Venus = 1,
    Mercury = 2,
    Moon = 3,
    Saturn = 4,
    Jupiter = 5,
    Mars = 6,
    NorthNode = 7,
    SouthNode = 8,
};

enum class TimeOfBirth { Day, Night };

inline constexpr int RulerCount = 9;           // periods in a sequence
inline constexpr int PlanetCount = 7;          // planetary periods, panels on the results
inline constexpr int SubPeriodsPerPlanet = 6;  // sub-periods 2 to 7 of a planetary period
inline constexpr int FirstListedOrdinal = 2;   // sub-period 1 starts with its period
inline constexpr int LastOrdinal = 7;
inline constexpr int SubPeriodNameCount = PlanetCount * SubPeriodsPerPlanet;  // 42
inline constexpr int ReadingTextSlots = 10;                                   // slots 0..8 by Ruler; slot 9 stays empty

constexpr int index(Ruler r)
{
    return static_cast<int>(r);
}

struct BirthData {
    int day = 1;      // 1..31
    int month = 1;    // 1..12
    int year = 1910;  // 1910..2050
    TimeOfBirth timeOfBirth = TimeOfBirth::Day;
};

struct SubPeriod {
    Ruler periodRuler = Ruler::Sun;    // a planet
    Ruler subRuler = Ruler::Sun;       // a planet, never a node
    int ordinal = FirstListedOrdinal;  // 2..7
    Date start;
    QString startText;  // ShortDateText of start
    QString name;       // SubPeriodNames entry, e.g. "Sun/Venus -"
};

struct Period {
    Ruler ruler = Ruler::Sun;
    Date start;                         // first day; the period ends where the next one starts
    QString startText;                  // ShortDateText of start
    std::vector<SubPeriod> subPeriods;  // six for a planet (ordinals 2..7), none for a node
};

struct FirdariaReading {
    TimeOfBirth timeOfBirth = TimeOfBirth::Day;
    std::array<Period, RulerCount> periods;  // in the order of the sequence used
};

// --- Tables -----------------------------------------------------------------

struct SequenceEntry {
    Ruler ruler;
    int years;  // length of the period; the nine add up to 75
};

extern const std::array<SequenceEntry, RulerCount> DaySequence;
extern const std::array<SequenceEntry, RulerCount> NightSequence;

// Saturn, Jupiter, Mars, Sun, Venus, Mercury, Moon, then Saturn again.
inline constexpr std::array<Ruler, PlanetCount> SubRulerCycle = {
    Ruler::Saturn, Ruler::Jupiter, Ruler::Mars, Ruler::Sun, Ruler::Venus, Ruler::Mercury, Ruler::Moon,
};

// SubPeriodNames, the 42 display names of the sub-periods ("Sun/Venus -"),
// index 6 × p + (ordinal − 2), p the period ruler's place in the Day
// sequence. The main window holds the table (filled when it loads) and hands
// it to every reading; the engine keeps none of its own.
using SubPeriodNameTable = std::array<QString, SubPeriodNameCount>;

// Lengths in days of sub-periods 1..6 of the day-counted planets (Sun, Venus,
// Mercury, Moon, Saturn, Jupiter; Mars is counted in years). Indexed by
// Ruler value 0..5.
extern const std::array<std::array<int, SubPeriodsPerPlanet>, 6> SubPeriodDays;

// --- Lookups (cannot fail for a valid Ruler) ---------------------------------

const std::array<SequenceEntry, RulerCount>& sequence(TimeOfBirth t);
// "The Sun :: ", "Venus :: ", ... (ends in a blank).
QString PanelHeading(Ruler r);

// --- Dating ------------------------------------------------------------------

// n years later, same month and day; 29 February in a common year becomes 28 February.
Date AddYears(Date date, int n);
Date AddDays(Date date, int n);

// The reading of a birth, its sub-periods named from names (SubPeriodNames),
// its texts in the user's short date format at the time of the call
// (QLocale::system()'s, date part only, a two-digit year widened).
FirdariaReading ComputeFirdaria(const BirthData& birth, const SubPeriodNameTable& names);
// The same with the texts in a given format; the dates do not depend on it.
FirdariaReading ComputeFirdaria(const BirthData& birth, const SubPeriodNameTable& names, const ShortDateText& format);

// --- Interpretation texts ----------------------------------------------------

// Slots 0..8 by Ruler value; slot 9 is never written. Empty until the first
// BuildReadingTexts().
extern std::array<QString, ReadingTextSlots> ReadingTexts;

// Paragraph separator inside a text: CR LF CR LF.
inline constexpr const char* ParagraphSeparator = "\r\n\r\n";

// Fills ReadingTexts[0..8]. Each paragraph is a constant of its own, except
// the South Node's four, which are one constant that holds its three
// separators already.
void BuildReadingTexts();

}  // namespace modFirdaria
