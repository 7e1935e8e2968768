#pragma once

// Plain text written as a Rich Text Format (RTF 1.x) document that word
// processors open with its paragraphs, its font and every character intact.
//
// The document is 7-bit ASCII throughout. It declares the Windows-1252 code
// page (\ansi\ansicpg1252) and one fallback character per Unicode escape
// (\uc1). Every character outside ASCII is written as \uN, N the UTF-16 code
// unit as a signed 16-bit number (so units above 32767 are negative and a
// character beyond the Basic Multilingual Plane is a surrogate pair of two
// escapes), followed by a hexadecimal fallback \'hh: the character's
// Windows-1252 byte where it has one, otherwise \'3f ("?"). The hexadecimal
// fallback ends the control word by itself, so readers that swallow a blank
// after \uN and readers that do not read the same text.

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace RtfWriter {

// RTF sizes fonts in whole half-points (\fsN). The nearest one is taken,
// halves rounding up: 9.75 pt is written as \fs20 (10 pt), 8.25 pt as \fs17.
int halfPoints(double pointSize);

// One piece of text without line breaks, escaped for the body of a document:
// \ \{ \} escaped, tab as \tab, a line separator (U+2028) as \line, other
// control characters dropped, non-ASCII as described above.
QByteArray escapeText(QStringView text);

// A complete document holding `text` in one font, family swiss, of the given
// size. Each line of the text is one paragraph ending in \par; CR LF, CR, LF
// and the paragraph separator U+2029 all end a line. A text ending in a line
// break has no further, empty paragraph after it, so "A\r\n" is one
// paragraph and "A\r\n\r\n" two, the second empty.
QByteArray plainTextDocument(QStringView text, const QString& fontFamily, double pointSize);

}  // namespace RtfWriter
