#include "RtfWriter.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace RtfWriter {

namespace {

// Windows-1252 bytes 0x80..0x9F and the characters they stand for; the five
// unassigned bytes are absent. 0xA0..0xFF are the Latin-1 characters of the
// same number.
struct Cp1252Extra {
    char16_t unicode;
    unsigned char byte;
};
constexpr std::array<Cp1252Extra, 27> Cp1252Extras{{
    {u'\u20AC', 0x80}, {u'\u201A', 0x82}, {u'\u0192', 0x83}, {u'\u201E', 0x84}, {u'\u2026', 0x85}, {u'\u2020', 0x86},
    {u'\u2021', 0x87}, {u'\u02C6', 0x88}, {u'\u2030', 0x89}, {u'\u0160', 0x8A}, {u'\u2039', 0x8B}, {u'\u0152', 0x8C},
    {u'\u017D', 0x8E}, {u'\u2018', 0x91}, {u'\u2019', 0x92}, {u'\u201C', 0x93}, {u'\u201D', 0x94}, {u'\u2022', 0x95},
    {u'\u2013', 0x96}, {u'\u2014', 0x97}, {u'\u02DC', 0x98}, {u'\u2122', 0x99}, {u'\u0161', 0x9A}, {u'\u203A', 0x9B},
    {u'\u0153', 0x9C}, {u'\u017E', 0x9E}, {u'\u0178', 0x9F},
}};

constexpr unsigned char QuestionMark = 0x3F;

// The byte a reader without Unicode shows for a UTF-16 code unit.
unsigned char fallbackByte(char16_t unit)
{
    if (unit >= 0xA0 && unit <= 0xFF)
        return static_cast<unsigned char>(unit);
    for (const Cp1252Extra& extra : Cp1252Extras) {
        if (extra.unicode == unit)
            return extra.byte;
    }
    return QuestionMark;
}

void appendUnicodeEscape(QByteArray& out, char16_t unit)
{
    // \uN takes a signed 16-bit number: units from 0x8000 up wrap to negatives.
    const int signedUnit = static_cast<std::int16_t>(unit);
    out += "\\u";
    out += QByteArray::number(signedUnit);
    out += "\\'";
    out += QByteArray::number(fallbackByte(unit), 16).rightJustified(2, '0');
}

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar::ParagraphSeparator;
}

}  // namespace

int halfPoints(double pointSize)
{
    return static_cast<int>(std::floor(pointSize * 2.0 + 0.5));
}

QByteArray escapeText(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        switch (unit) {
        case u'\\':
        case u'{':
        case u'}':
            out += '\\';
            out += static_cast<char>(unit);
            continue;
        case u'\t':
            out += "\\tab ";
            continue;
        case u'\u2028':
            out += "\\line ";
            continue;
        default:
            break;
        }
        if (unit < 0x20 || unit == 0x7F)
            continue;  // no meaning in a document's text
        if (unit < 0x80)
            out += static_cast<char>(unit);
        else
            appendUnicodeEscape(out, unit);
    }
    return out;
}

QByteArray plainTextDocument(QStringView text, const QString& fontFamily, double pointSize)
{
    // A semicolon would end the font's entry in the table early.
    QString family = fontFamily;
    family.remove(QLatin1Char(';'));

    QByteArray out;
    out.reserve(text.size() + text.size() / 4 + 256);
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1";
    out += "{\\fonttbl{\\f0\\fswiss\\fcharset0 " + escapeText(family) + ";}}\r\n";
    out += "{\\*\\generator Zorvane 1.0;}";
    out += "\\pard\\plain\\f0\\fs" + QByteArray::number(halfPoints(pointSize)) + "\r\n";

    // Each paragraph stands on its own line of the file. The line break after
    // a control word ends that word and is not text, so a paragraph starting
    // with blanks keeps them.
    qsizetype lineStart = 0;
    while (lineStart < text.size()) {
        qsizetype lineEnd = lineStart;
        while (lineEnd < text.size() && !isLineBreak(text[lineEnd]))
            ++lineEnd;
        out += escapeText(text.sliced(lineStart, lineEnd - lineStart));
        out += "\\par\r\n";
        if (lineEnd < text.size() && text[lineEnd] == QLatin1Char('\r') && lineEnd + 1 < text.size()
            && text[lineEnd + 1] == QLatin1Char('\n'))
            ++lineEnd;
        lineStart = lineEnd + 1;
    }
    out += "}\r\n";
    return out;
}

}  // namespace RtfWriter
