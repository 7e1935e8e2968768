#pragma once

// Reading saved and printed readings back: pandoc for .rtf files (what a word
// processor sees), pdftotext for printed PDF files, and a strict decoder of
// the RTF subset the writer produces, which keeps what pandoc cannot show
// (blank paragraphs, doubled blanks, characters beyond the BMP).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace readingtest {

// Standard output of a program as UTF-8; nothing, with the reason in
// `error`, when it cannot be started or fails.
std::optional<QString> runReader(const QString& program, const QStringList& arguments, QString* error);

// The comprehensive reading as it is inserted: the interpretation texts of
// the nine rulers in order, each followed by an empty line (CR LF line ends).
QString comprehensiveReadingText();

// `pandoc -f rtf -t plain --wrap=none`
std::optional<QString> pandocText(const QString& rtfPath, QString* error);
// `pdftotext -enc UTF-8`
std::optional<QString> pdfText(const QString& pdfPath, QString* error);

// pandoc drops empty paragraphs, collapses runs of blanks and separates
// paragraphs by one empty line. The paragraphs of a text as pandoc shows
// them: every non-blank line, blanks collapsed, ends trimmed.
QStringList paragraphsAsPandocShows(const QString& text);
// The paragraphs of pandoc's plain output, treated the same way.
QStringList paragraphsOfPandocOutput(const QString& plain);

// PDF text extraction breaks lines where the printer wrapped them and shows
// the font's ligatures (U+FB01 for "fi"); only the sequence of visible
// characters, ligatures taken apart (NFKC), can be compared.
QString visibleCharacters(const QString& text);

// The text of a document: \par as LF, \line as U+2028, \tab as TAB, \uN with
// its fallback skipped per \ucN, \'hh as Latin-1, destinations \* and the
// font table skipped, other control words ignored.
QString decodeRtf(const QByteArray& document);
// What decodeRtf gives for a document written from `text`: every line break
// (CR LF, CR, LF, U+2029) as LF, the last line ended by one as well, control
// characters other than TAB and U+2028 gone.
QString decodedFormOf(const QString& text);

}  // namespace readingtest
