// Short date texts written directly from a format read once.

#include "ShortDateText.h"

#include <algorithm>

namespace modFirdaria {

QDate toQDate(Date date)
{
    return QDate(static_cast<int>(date.year()), static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
}

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

ShortDateText::ShortDateText(const QLocale& locale)
    : ShortDateText(locale, ShortDateFormat(locale))
{}

ShortDateText::ShortDateText(const QLocale& locale, const QString& format)
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
void ShortDateText::compile()
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
    // Numbers take at most four digits (the years shown run to 2124).
    maxLength_ = 0;
    for (const Piece& piece : pieces_) {
        if (piece.field == Field::Literal)
            maxLength_ += piece.literal.size();
        else if (piece.field == Field::MonthName)
            maxLength_ +=
                std::max_element(monthNames_.begin(), monthNames_.end(), [](const QString& a, const QString& b) {
                    return a.size() < b.size();
                })->size();
        else
            maxLength_ += 4;
    }
    direct_ = maxLength_ <= MaxDirectLength;
}

// value in at most four digits, zero-padded to `digits`, in the locale's
// digits, written at out; returns the position after it.
char16_t* ShortDateText::writeNumber(char16_t* out, int value, int digits) const
{
    char16_t reversed[4];
    int n = 0;
    do {
        reversed[n++] = static_cast<char16_t>(zeroDigit_ + value % 10);
        value /= 10;
    } while (value > 0 && n < 4);
    for (int pad = n; pad < digits; ++pad)
        *out++ = zeroDigit_;
    while (n > 0)
        *out++ = reversed[--n];
    return out;
}

QString ShortDateText::operator()(Date date) const
{
    if (!direct_)
        return locale_.toString(toQDate(date), format_);

    const int day = static_cast<int>(static_cast<unsigned>(date.day()));
    const int month = static_cast<int>(static_cast<unsigned>(date.month()));
    const int year = static_cast<int>(date.year());
    // Written on the stack, then copied once into the text.
    std::array<char16_t, MaxDirectLength> buffer;
    char16_t* out = buffer.data();
    const auto append = [&out](const QString& piece) {
        out = std::copy_n(reinterpret_cast<const char16_t*>(piece.constData()), piece.size(), out);
    };
    for (const Piece& piece : pieces_) {
        switch (piece.field) {
        case Field::Literal:
            append(piece.literal);
            break;
        case Field::Day:
            out = writeNumber(out, day, piece.width);
            break;
        case Field::Month:
            out = writeNumber(out, month, piece.width);
            break;
        case Field::MonthName:
            append(monthNames_[month - 1]);
            break;
        case Field::Year:
            out = writeNumber(out, piece.width == 2 ? year % 100 : year, piece.width);
            break;
        }
    }
    return QString(reinterpret_cast<const QChar*>(buffer.data()), out - buffer.data());
}

}  // namespace modFirdaria
