#pragma once

// Dates as the engine holds them, and their texts in the user's short date
// format: ShortDateText(locale)(date), every date shown anywhere.
//
// ShortDateText reads the format and the locale's digits and month names
// once, and then writes each date directly, with the same result as
// QLocale::toString(QDate, format). That call parses the format again and
// looks up the locale's data every time: for the 51 dates of a reading it
// takes about six times the instructions of the whole reading with its
// texts written this way (callgrind), well beyond the time target of a
// reading (bench/bench_engine).
//
// The engine counts days with std::chrono::year_month_day. Qt 6.4 converts
// from it (QDate(year_month_day)) only where the standard library announces
// full C++20 calendar support (__cpp_lib_chrono >= 201907L). GCC 12's
// libstdc++ has the calendar types but announces 201611L until its time zone
// support is complete, so that constructor is compiled out here; toQDate()
// converts field by field instead.

#include <QDate>
#include <QLocale>
#include <QString>

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

namespace modFirdaria {

// A whole Gregorian day, without time of day or time zone.
using Date = std::chrono::year_month_day;

// The same day as a QDate.
QDate toQDate(Date date);

// A date format with every two-digit year field ("yy") widened to four digits
// ("yyyy"); quoted literals and fields already four digits wide are kept.
// A reading spans 1910 to 2124, which two digits cannot tell apart.
QString WidenTwoDigitYear(const QString& format);
// The locale's short date format, date part only, year widened.
QString ShortDateFormat(const QLocale& locale);

// ShortDateText: one date format read once and applied to many dates. Day, month and year
// numbers, short month names ("MMM", as in the C locale's "d MMM yyyy") and
// literals are written directly from what was read from the locale at
// construction; a format with anything else (no short format has it) goes
// through QLocale for every date.
class ShortDateText {
public:
    // The locale's short date format, year widened.
    explicit ShortDateText(const QLocale& locale);
    // A format taken as given, with the locale's digits and names.
    ShortDateText(const QLocale& locale, const QString& format);

    QString operator()(Date date) const;

private:
    enum class Field : std::uint8_t { Literal, Day, Month, MonthName, Year };
    struct Piece {
        Field field = Field::Literal;
        int width = 0;    // letters in the format: 1 or 2 (digits), 2 or 4 (year), 3 (name)
        QString literal;  // for Field::Literal
    };

    void compile();
    char16_t* writeNumber(char16_t* out, int value, int digits) const;

    // Longest text written directly; a longer format (no short format is)
    // goes through QLocale.
    static constexpr qsizetype MaxDirectLength = 64;

    QLocale locale_;
    QString format_;
    std::vector<Piece> pieces_;
    bool direct_ = false;      // pieces_ reproduce QLocale's output exactly
    qsizetype maxLength_ = 0;  // of any text this format gives
    char16_t zeroDigit_ = u'0';
    std::array<QString, 12> monthNames_;  // short names, [month - 1]
};

}  // namespace modFirdaria
