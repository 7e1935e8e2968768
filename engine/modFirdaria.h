#pragma once

// The Firdaria scheme: rulers, sequences, the dating of periods and
// sub-periods, and the interpretation texts. Pure data and date arithmetic;
// no window code.

#include <QLocale>
#include <QString>
#include <QStringView>

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace modFirdaria {

// A whole Gregorian day, without time of day or time zone.
using Date = std::chrono::year_month_day;

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

enum class RulerKind { Planet, Node };

enum class TimeOfBirth { Day, Night };

inline constexpr int RulerCount = 9;           // periods in a sequence
inline constexpr int PlanetCount = 7;          // planetary periods, panels on the results
inline constexpr int SubPeriodsPerPlanet = 6;  // sub-periods 2 to 7 of a planetary period
inline constexpr int FirstListedOrdinal = 2;   // sub-period 1 starts with its period
inline constexpr int LastOrdinal = 7;
inline constexpr int SubPeriodNameCount = PlanetCount * SubPeriodsPerPlanet;  // 42
inline constexpr int ReadingTextSlots = 10;                                   // slots 0..8 by Ruler; slot 9 stays empty
inline constexpr int TotalYears = 75;

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
    QString startText;  // ShortDateText(start)
    QString name;       // SubPeriodNames entry, e.g. "Sun/Venus -"
};

struct Period {
    Ruler ruler = Ruler::Sun;
    Date start;                         // first day; the period ends where the next one starts
    QString startText;                  // ShortDateText(start)
    std::vector<SubPeriod> subPeriods;  // six for a planet (ordinals 2..7), none for a node
};

struct FirdariaReading {
    TimeOfBirth timeOfBirth = TimeOfBirth::Day;
    std::array<Period, RulerCount> periods;  // in the order of the sequence used
};

// --- Tables -----------------------------------------------------------------

struct SequenceEntry {
    Ruler ruler;
    int years;         // length of the period
    int startsAtYear;  // informative: years from the birth to the period's start
};

extern const std::array<SequenceEntry, RulerCount> DaySequence;
extern const std::array<SequenceEntry, RulerCount> NightSequence;

// Saturn, Jupiter, Mars, Sun, Venus, Mercury, Moon, then Saturn again.
inline constexpr std::array<Ruler, PlanetCount> SubRulerCycle = {
    Ruler::Saturn, Ruler::Jupiter, Ruler::Mars, Ruler::Sun, Ruler::Venus, Ruler::Mercury, Ruler::Moon,
};

// Index 6 × p + (ordinal − 2), p the planet's place in the Day sequence.
// Entries 38 and 41 end in a blank after the hyphen.
extern const std::array<const char*, SubPeriodNameCount> SubPeriodNames;

// Lengths in days of sub-periods 1..6 of the day-counted planets (Sun, Venus,
// Mercury, Moon, Saturn, Jupiter; Mars is counted in years). Indexed by
// Ruler value 0..5.
extern const std::array<std::array<int, SubPeriodsPerPlanet>, 6> SubPeriodDays;

// --- Lookups (cannot fail for a valid Ruler) ---------------------------------

int years(Ruler r);
RulerKind kind(Ruler r);
const std::array<SequenceEntry, RulerCount>& sequence(TimeOfBirth t);
// The six sub-rulers of a planet for ordinals 2..7; empty for a node.
std::span<const Ruler> subRulers(Ruler r);
// "The Sun :: ", "Venus :: ", ... (ends in a blank).
QString PanelHeading(Ruler r);
// The SubPeriodNames entry for a planet and an ordinal 2..7; empty for a node.
QString subPeriodName(Ruler periodRuler, int ordinal);
// Place of a planet in the Day sequence, 0..6; -1 for a node.
int dayPosition(Ruler r);

// --- Dating ------------------------------------------------------------------

// n years later, same month and day; 29 February in a common year becomes 28 February.
Date AddYears(Date date, int n);
Date AddDays(Date date, int n);
// The user's short date format (QLocale::system()), date part only, with a
// two-digit year widened to four digits.
QString ShortDateText(Date date);
// The same in the short date format of the given locale.
QString ShortDateText(Date date, const QLocale& locale);

// A date format with every two-digit year field ("yy") widened to four digits
// ("yyyy"); quoted literals and fields already four digits wide are kept.
// A reading spans 1910 to 2124, which two digits cannot tell apart.
QString WidenTwoDigitYear(const QString& format);
// The locale's short date format, date part only, year widened.
QString ShortDateFormat(const QLocale& locale);

// One date format read once and applied to many dates. Day, month and year
// numbers, short month names ("MMM", as in the C locale's "d MMM yyyy") and
// literals are written directly from what was read from the locale at
// construction; a format with anything else (no short format has it) goes
// through QLocale for every date.
class DateTextFormat {
public:
    // The locale's short date format, year widened.
    explicit DateTextFormat(const QLocale& locale);
    // A format taken as given, with the locale's digits and names.
    DateTextFormat(const QLocale& locale, const QString& format);

    QString text(Date date) const;

private:
    enum class Field : std::uint8_t { Literal, Day, Month, MonthName, Year };
    struct Piece {
        Field field = Field::Literal;
        int width = 0;    // letters in the format: 1 or 2 (digits), 2 or 4 (year), 3 (name)
        QString literal;  // for Field::Literal
    };

    void compile();
    void appendNumber(QString& out, int value, int digits) const;

    QLocale locale_;
    QString format_;
    std::vector<Piece> pieces_;
    bool direct_ = false;  // pieces_ reproduce QLocale's output exactly
    char16_t zeroDigit_ = u'0';
    std::array<QString, 12> monthNames_;  // short names, [month - 1]
};

FirdariaReading ComputeFirdaria(const BirthData& birth);
// The same with the texts in a given format; the dates do not depend on it.
FirdariaReading ComputeFirdaria(const BirthData& birth, const DateTextFormat& format);

// --- Interpretation texts ----------------------------------------------------

// Slots 0..8 by Ruler value; slot 9 is never written. Empty until the first
// BuildReadingTexts().
extern std::array<QString, ReadingTextSlots> ReadingTexts;

// Paragraph separator inside a text: CR LF CR LF.
inline constexpr const char* ParagraphSeparator = "\r\n\r\n";

// The constant texts an entry of ReadingTexts is built from: texts joined by
// ParagraphSeparator, then tail appended as is (Saturn's two closing
// sentences follow its last paragraph with nothing between). Each paragraph
// is a constant of its own, except the South Node's four, which are one
// constant that holds its three separators already.
struct StoredReadingText {
    std::span<const QStringView> texts;
    QStringView tail;
};
StoredReadingText storedReadingText(Ruler r);

void BuildReadingTexts();

}  // namespace modFirdaria
