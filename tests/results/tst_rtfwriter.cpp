// The RTF writer: escapes, the document's frame, and round trips of texts
// through pandoc (what word processors read) and through a strict decoder.

#include "ReaderTools.h"
#include "RtfWriter.h"
#include "modFirdaria.h"

#include <algorithm>

#include <QTemporaryDir>
#include <QTest>

using namespace readingtest;

namespace {

QString latin1Supplement()
{
    QString text;
    for (char16_t c = 0xA0; c <= 0xFF; ++c)
        text += QChar(c);
    return text;
}

// The 27 characters Windows-1252 puts at 0x80..0x9F.
QString cp1252Extras()
{
    return QStringLiteral(u"€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
}

// Document text for the rows of both round trips. `pandocReadsIt` is false
// where pandoc 2.17 cannot show the text (it reads each half of a surrogate
// pair as U+FFFD).
void addTextRows()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("pandocReadsIt");

    modFirdaria::BuildReadingTexts();
    const char* const rulers[] = {"Sun",     "Venus", "Mercury",    "Moon",      "Saturn",
                                  "Jupiter", "Mars",  "North Node", "South Node"};
    for (int slot = 0; slot < modFirdaria::RulerCount; ++slot)
        QTest::addRow("reading text %d (%s)", slot, rulers[slot])
            << modFirdaria::ReadingTexts[static_cast<std::size_t>(slot)] << true;
    QTest::newRow("comprehensive reading") << comprehensiveReadingText() << true;

    QTest::newRow("typographic quotes") << QStringLiteral(u"friends’ ‘live and let live!’ “quoted”") << true;
    QTest::newRow("Latin-1 supplement") << latin1Supplement() << true;
    QTest::newRow("Windows-1252 extras") << cp1252Extras() << true;
    QTest::newRow("Greek, Cyrillic, CJK") << QStringLiteral(u"Ζυγός Весы 天秤座") << true;
    QTest::newRow("code units above 32767") << QStringLiteral(u"ﬁle ！ \uFFFD \uE000") << true;
    QTest::newRow("digits after escapes") << QStringLiteral(u"’2019 é9 ‘12’34") << true;
    QTest::newRow("letters after escapes") << QStringLiteral(u"’s é’é") << true;
    QTest::newRow("RTF syntax as text") << QStringLiteral("\\par {\\b bold} \\u8217 \\'92 }{") << true;
    QTest::newRow("tabs") << QStringLiteral("a\tb\t\tc\t") << true;
    QTest::newRow("doubled and leading blanks") << QStringLiteral("  two  blanks   three\r\n left") << true;
    QTest::newRow("blank lines") << QStringLiteral("A\r\n\r\n\r\nB\r\n\r\n") << true;
    QTest::newRow("CR, LF and U+2029") << QStringLiteral(u"cr\rlf\nps\u2029crlf\r\nend") << true;
    QTest::newRow("line separator U+2028") << QStringLiteral(u"one\u2028two") << true;
    QTest::newRow("control characters") << QStringLiteral("a\x01"
                                                          "b\x1f"
                                                          "c\x7f"
                                                          "d")
                                        << true;
    QTest::newRow("beyond the BMP") << QStringLiteral(u"♈ 😀 𝔄") << false;
    QTest::newRow("empty") << QString() << true;
}

}  // namespace

class tst_RtfWriter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void halfPoints_data();
    void halfPoints();
    void escapeText_data();
    void escapeText();
    void document_data();
    void document();
    void pandocRoundTrip_data();
    void pandocRoundTrip();
};

void tst_RtfWriter::halfPoints_data()
{
    QTest::addColumn<double>("points");
    QTest::addColumn<int>("half");
    // The nearest whole half-point, halves rounding up.
    // clang-format off
    QTest::newRow("12 pt, whole")            << 12.0 << 24;
    QTest::newRow("9.75 pt, half rounds up") << 9.75 << 20;
    QTest::newRow("8.25 pt, half rounds up") << 8.25 << 17;
    QTest::newRow("10.2 pt rounds down")     << 10.2 << 20;
    QTest::newRow("10.3 pt rounds up")       << 10.3 << 21;
    // clang-format on
}

void tst_RtfWriter::halfPoints()
{
    QFETCH(double, points);
    QFETCH(int, half);
    QCOMPARE(RtfWriter::halfPoints(points), half);
    QVERIFY(RtfWriter::plainTextDocument(u"A", QStringLiteral("Verdana"), points)
                .contains("\\fs" + QByteArray::number(half) + "\r\n"));
}

void tst_RtfWriter::escapeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("rtf");
    // clang-format off
    QTest::newRow("plain ASCII") << QStringLiteral("Sun Period:-") << QByteArray("Sun Period:-");
    QTest::newRow("right single quote") << QStringLiteral(u"’") << QByteArray("\\u8217\\'92");
    QTest::newRow("left double quote") << QStringLiteral(u"“") << QByteArray("\\u8220\\'93");
    QTest::newRow("e acute") << QStringLiteral(u"é") << QByteArray("\\u233\\'e9");
    QTest::newRow("no-break space") << QStringLiteral(u"\u00A0") << QByteArray("\\u160\\'a0");
    QTest::newRow("euro sign") << QStringLiteral(u"€") << QByteArray("\\u8364\\'80");
    QTest::newRow("Cyrillic, no 1252 byte") << QStringLiteral(u"Я") << QByteArray("\\u1071\\'3f");
    QTest::newRow("C1 control U+0085") << QStringLiteral(u"\u0085") << QByteArray("\\u133\\'3f");
    QTest::newRow("U+8000 is negative") << QStringLiteral(u"\u8000") << QByteArray("\\u-32768\\'3f");
    QTest::newRow("U+FFFD is negative") << QStringLiteral(u"\uFFFD") << QByteArray("\\u-3\\'3f");
    QTest::newRow("surrogate pair") << QStringLiteral(u"😀") << QByteArray("\\u-10179\\'3f\\u-8704\\'3f");
    QTest::newRow("backslash and braces") << QStringLiteral("\\{}") << QByteArray("\\\\\\{\\}");
    QTest::newRow("tab before a letter") << QStringLiteral("a\tb") << QByteArray("a\\tab b");
    QTest::newRow("line separator") << QStringLiteral(u"a\u2028b") << QByteArray("a\\line b");
    QTest::newRow("control characters") << QStringLiteral("a\x01\x1f\x7f" "b") << QByteArray("ab");
    QTest::newRow("blanks kept") << QStringLiteral("  a  b ") << QByteArray("  a  b ");
    // clang-format on
}

void tst_RtfWriter::escapeText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, rtf);
    QCOMPARE(RtfWriter::escapeText(text), rtf);
}

void tst_RtfWriter::document_data()
{
    addTextRows();
}

// Whatever the text: 7-bit ASCII, balanced groups, the declarations word
// processors need, the box's font, and the text itself as a strict reader
// reads it back.
void tst_RtfWriter::document()
{
    QFETCH(QString, text);
    const QByteArray document = RtfWriter::plainTextDocument(text, QStringLiteral("Verdana"), 9.75);

    QVERIFY(document.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
    QVERIFY(document.contains("\\uc1"));
    QVERIFY(document.contains("{\\fonttbl{\\f0\\fswiss\\fcharset0 Verdana;}}"));
    QVERIFY(document.contains("\\f0\\fs20"));

    int depth = 0;
    int lowestAfterOpening = 1;
    for (qsizetype i = 0; i < document.size(); ++i) {
        const char c = document[i];
        QVERIFY2(static_cast<unsigned char>(c) < 0x80, "a byte outside 7-bit ASCII");
        if (c == '\\') {
            ++i;  // an escaped brace or backslash is text
            continue;
        }
        if (c == '{')
            ++depth;
        if (c == '}')
            --depth;
        if (i > 0 && i + 3 < document.size())
            lowestAfterOpening = std::min(lowestAfterOpening, depth);
    }
    QCOMPARE(depth, 0);
    QCOMPARE(lowestAfterOpening, 1);  // the document group closes only at the end
    QCOMPARE(decodeRtf(document), decodedFormOf(text));
}

void tst_RtfWriter::pandocRoundTrip_data()
{
    addTextRows();
}

void tst_RtfWriter::pandocRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(bool, pandocReadsIt);
#if defined(Q_OS_WIN)
    QSKIP("pandoc, a Linux program, reads the files back in the Linux build's tests");
#endif

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("reading.rtf"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(RtfWriter::plainTextDocument(text, QStringLiteral("Verdana"), 9.75));
    file.close();

    QString error;
    const std::optional<QString> read = pandocText(path, &error);
    QVERIFY2(read, qPrintable(error));
    if (pandocReadsIt) {
        QCOMPARE(paragraphsOfPandocOutput(*read), paragraphsAsPandocShows(decodedFormOf(text)));
    } else {
        // pandoc 2.17 reads each escaped half of a pair as U+FFFD: one mark
        // per code unit, the characters of the BMP around them intact.
        const auto units = std::count_if(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); });
        QCOMPARE(read->count(QChar(QChar::ReplacementCharacter)), units);
        QString withMarks = decodedFormOf(text);
        for (QChar& c : withMarks) {
            if (c.isSurrogate())
                c = QChar(QChar::ReplacementCharacter);
        }
        QCOMPARE(paragraphsOfPandocOutput(*read), paragraphsAsPandocShows(withMarks));
    }
}

QTEST_GUILESS_MAIN(tst_RtfWriter)
#include "tst_rtfwriter.moc"
