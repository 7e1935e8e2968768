// The nine interpretation texts: their paragraph structure, opening sentences
// (headings included), paragraph lengths and sentence counts, and the
// rebuilding of ReadingTexts.

#include "modFirdaria.h"

#include <QLatin1StringView>
#include <QStringList>
#include <QTest>

#include <array>

using modFirdaria::ReadingTexts;
using modFirdaria::Ruler;

namespace {

const QString Separator = QLatin1StringView(modFirdaria::ParagraphSeparator);

constexpr int ClosingSlot = 9;  // the one slot of ReadingTexts that no ruler uses

const std::array<const char*, modFirdaria::RulerCount> RulerNames = {
    "Sun", "Venus", "Mercury", "Moon", "Saturn", "Jupiter", "Mars", "North Node", "South Node",
};

// Saturn's weak paragraph is followed, with nothing in between, by these two
// closing sentences.
const QString Motto = QStringLiteral("‘live and let live!’");

const QString SaturnClosing =
    QStringLiteral("Health will need attention. Solutions to all problems can be found if you have the will "
                   "to find it.");

// What is known of each paragraph: its opening sentence, its length in code
// points (heading included) and its number of sentences, SaturnClosing, where
// it follows, apart.
struct ParagraphFacts {
    Ruler ruler;
    int paragraph;  // 1-based
    const char* phase;
    const char16_t* firstSentence;
    int length;
    int sentences;
    bool closing = false;  // SaturnClosing follows
};

const ParagraphFacts Paragraphs[] = {
    {Ruler::Sun, 1, "strong",
     u"The Sun Period:-The Sun Period is well known for wealth, accession of valuable things, "
     u"and conferment of distinction and  lucrative gains.",
     328, 4},
    {Ruler::Sun, 2, "ordinary",
     u"But care should be taken of health because under its ordinary phase, the native may be "
     u"suffering from ill health and sickness.",
     368, 2},
    {Ruler::Sun, 3, "weak",
     u"You may succumb to injuries, diseases, unpleasantness and misunderstandings among "
     u"relatives, friends, and neighbors and even amongst your colleagues during the weak phase "
     u"of this period and you may also be affected with pain in the ears and some urinary "
     u"troubles.",
     263, 1},
    {Ruler::Venus, 1, "powerful",
     u"Venus Period :-The Venus Period is a good time for establishing stability in "
     u"relationships.",
     388, 4},
    {Ruler::Venus, 2, "nominal",
     u"Monetary gains from trade and cultivation and increase of friends’ association are the "
     u"effects of a nominal Venus period.",
     353, 3},
    {Ruler::Venus, 3, "weak",
     u"The weak influence of this period may make you quarrel with your wife adultery and "
     u"residence in foreign lands are also there on the cards.",
     217, 2},
    {Ruler::Mercury, 1, "strong",
     u"Mercury Period :-Under the strong phase of the Mercury Period you will attain fame in "
     u"science, arts and mathematics.",
     423, 5},
    {Ruler::Mercury, 2, "nominal and weak",
     u"Obtaining wealth from superiors through your talents will be experienced if you are a "
     u"native passing  through the nominal phase of this period and you may also make new "
     u"friends.",
     324, 3},
    {Ruler::Moon, 1, "strong",
     u"The Moon Period :-You will enjoy garlands, fame, honor, jewels, domestic happiness and "
     u"also acquisition of land and wealth.",
     297, 3},
    {Ruler::Moon, 2, "ordinary and nominal",
     u"Under the ordinary and nominal phase, your friends’ circle will increase and you will be "
     u"prone to religious affairs.",
     237, 2},
    {Ruler::Moon, 3, "weak",
     u"Whereas the period of the Moon in its weak phase may leave you suffering from cold, "
     u"emancipation, anxiety and distress.",
     256, 2},
    {Ruler::Saturn, 1, "powerful",
     u"Saturn Period :-A powerful Saturn period will help you in various gains, leadership in "
     u"society, excellent health and in becoming a scholar in occult studies.",
     383, 3},
    {Ruler::Saturn, 2, "nominal",
     u"With a nominal Saturn period, income and financial benefits from ordinary undertakings, "
     u"misunderstandings and enmity with friends and associates, trouble from thieves, "
     u"financial troubles and a bad reputation will be experienced.",
     228, 1},
    {Ruler::Saturn, 3, "weak", u"However, the weak effects of the Saturn period will bring to you untold misery.", 327,
     4, true},
    {Ruler::Jupiter, 1, "strong, with the nominal phase",
     u"Jupiter Period :-Under the strong phase of the Jupiter period, the native will gain "
     u"wealthy possessions and honor from employers, kings and rulers.",
     617, 7},
    {Ruler::Jupiter, 2, "weak",
     u"With a weak Jupiter period, suffering from several attacks of various diseases along "
     u"with family misfortunes may make your life full of worries.",
     144, 1},
    {Ruler::Mars, 1, "powerful",
     u"Mars Period :-Under the powerful Mars Period the native will be showered upon with "
     u"riches, clothes, ornaments and all other materialistic happiness.",
     268, 2},
    {Ruler::Mars, 2, "ordinary",
     u"You are likely to be getting monetary wealth because of your social rank, prestige, "
     u"position and repute.",
     283, 3},
    {Ruler::Mars, 3, "weak",
     u"Under the weak phase of this period the native may face troubles from enemies and great "
     u"evils.",
     125, 2},
    {Ruler::NorthNode, 1, "favourable",
     u"North Node :-Unlike the other planets the north Node is not visible in the solar system.", 495, 5},
    {Ruler::NorthNode, 2, "ordinary or nominal",
     u"Under the ordinary or nominal phase, you are likely to get monetary wealth because of "
     u"your social rank, prestige, position and repute.",
     203, 2},
    {Ruler::NorthNode, 3, "adverse",
     u"But the adverse effect of this period will bring social backwardness, mental tension and "
     u"anxiety, bad dreams, trouble in foreign lands.",
     212, 2},
    {Ruler::SouthNode, 1, "powerful", u"South Node :-The descending lunar node is known as the South Node.", 450, 4},
    {Ruler::SouthNode, 2, "ordinary",
     u"Under the ordinary phase you may obtain wealth from superiors by exhibiting your talents "
     u"and you may also make new friends.",
     123, 1},
    {Ruler::SouthNode, 3, "malefic",
     u"Under its malefic effects, you will succumb to injuries and diseases, you will become "
     u"unfriendly and unhappy, troubles from enemies and great evils will come your way.",
     309, 4},
    {Ruler::SouthNode, 4, "closing", u"This is a time to reevaluate your position in life and move ahead.", 66, 1},
};

// Mercury and Jupiter have two paragraphs, the South Node four, the rest three.
int paragraphCount(Ruler ruler)
{
    if (ruler == Ruler::Mercury || ruler == Ruler::Jupiter)
        return 2;
    return ruler == Ruler::SouthNode ? 4 : 3;
}

bool isSentenceMark(QChar c)
{
    return c == u'.' || c == u'!' || c == u'?';
}

// Sentence rule: a sentence ends at '.', '!' or '?' that is followed by one or
// more blanks and a capital letter, or that is the last character of the text.
// So a full stop before a lower-case word, or an exclamation mark closed by a
// quotation mark (‘live and let live!’ and ...), ends no sentence.
int sentenceCount(QStringView text)
{
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!isSentenceMark(text[i]))
            continue;
        qsizetype next = i + 1;
        if (next == text.size()) {
            ++count;
            continue;
        }
        if (text[next] != u' ')
            continue;
        while (next < text.size() && text[next] == u' ')
            ++next;
        if (next < text.size() && text[next].isUpper())
            ++count;
    }
    return count;
}

qsizetype codePoints(QStringView text)
{
    return text.toUcs4().size();
}

QStringList paragraphsOf(int entry)
{
    return ReadingTexts[entry].split(Separator);
}

QByteArray paragraphTag(const ParagraphFacts& facts)
{
    return QStringLiteral("%1 paragraph %2 (%3)")
        .arg(QLatin1StringView(RulerNames[modFirdaria::index(facts.ruler)]))
        .arg(facts.paragraph)
        .arg(QLatin1StringView(facts.phase))
        .toUtf8();
}

}  // namespace

class tst_ReadingTexts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void text_data();
    void text();

    void paragraph_data();
    void paragraph();

    void rebuildingWritesTheSameTexts();
};

void tst_ReadingTexts::initTestCase()
{
    modFirdaria::BuildReadingTexts();
}

void tst_ReadingTexts::text_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("paragraphs");
    QTest::addColumn<int>("quotations");  // of Motto

    for (int entry = 0; entry < modFirdaria::RulerCount; ++entry) {
        const auto ruler = static_cast<Ruler>(entry);
        // clang-format off
        QTest::newRow(RulerNames[entry]) << entry << paragraphCount(ruler) << (ruler == Ruler::Venus ? 1 : 0);
        // clang-format on
    }
}

// Each text: its paragraphs, with line breaks only in their separators, one
// heading, and typographic apostrophes and quotation marks.
void tst_ReadingTexts::text()
{
    QFETCH(int, entry);
    QFETCH(int, paragraphs);
    QFETCH(int, quotations);
    const QString& text = ReadingTexts[entry];

    const QStringList parts = paragraphsOf(entry);
    QCOMPARE(parts.size(), paragraphs);
    for (const QString& paragraph : parts) {
        QVERIFY2(!paragraph.contains(u'\r'), qPrintable(paragraph.left(40)));
        QVERIFY2(!paragraph.contains(u'\n'), qPrintable(paragraph.left(40)));
    }
    QCOMPARE(text.count(QStringLiteral(":-")), 1);

    QCOMPARE(text.count(u'\''), 0);
    QCOMPARE(text.count(u'"'), 0);
    QCOMPARE(text.count(Motto), quotations);
    QCOMPARE(text.count(u'‘'), quotations);
}

void tst_ReadingTexts::paragraph_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("paragraph");
    QTest::addColumn<QString>("sentence");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("sentences");
    QTest::addColumn<bool>("closing");
    for (const ParagraphFacts& facts : Paragraphs) {
        // clang-format off
        QTest::newRow(paragraphTag(facts)) << modFirdaria::index(facts.ruler) << facts.paragraph
                                           << QString::fromUtf16(facts.firstSentence)
                                           << facts.length << facts.sentences << facts.closing;
        // clang-format on
    }
}

// Each paragraph's opening sentence, length and sentence count. Saturn's
// closing sentences follow its "will pop up!" with nothing between.
void tst_ReadingTexts::paragraph()
{
    QFETCH(int, entry);
    QFETCH(int, paragraph);
    QFETCH(QString, sentence);
    QFETCH(int, length);
    QFETCH(int, sentences);
    QFETCH(bool, closing);

    const QStringList parts = paragraphsOf(entry);
    QCOMPARE_LE(paragraph, parts.size());
    const QString& text = parts[paragraph - 1];

    QVERIFY2(text.startsWith(sentence), qPrintable(text.left(sentence.size())));
    // The quoted sentence is whole: the paragraph ends with it or goes on
    // with a blank and a new sentence.
    if (text.size() > sentence.size()) {
        QCOMPARE(text[sentence.size()], u' ');
        QVERIFY(text[sentence.size() + 1].isUpper());
    }

    const QString tail = closing ? SaturnClosing : QString();
    QVERIFY2(text.endsWith(tail), qPrintable(text.right(tail.size())));
    const QStringView own = QStringView(text).chopped(tail.size());
    if (closing)
        QVERIFY(own.endsWith(u"will pop up!"));
    QCOMPARE(codePoints(own), qsizetype(length));
    QVERIFY2(isSentenceMark(own.back()), "paragraph ends without a full stop");
    QCOMPARE(sentenceCount(own), sentences);
}

// Building writes slots 0 to 8 again, the same texts replacing whatever
// stands there, and leaves slot 9 as it is.
void tst_ReadingTexts::rebuildingWritesTheSameTexts()
{
    QVERIFY(ReadingTexts[ClosingSlot].isEmpty());
    const auto first = ReadingTexts;

    for (QString& entry : ReadingTexts)
        entry = QStringLiteral("stale");
    modFirdaria::BuildReadingTexts();
    for (int entry = 0; entry < modFirdaria::RulerCount; ++entry)
        QCOMPARE(ReadingTexts[entry], first[entry]);
    QCOMPARE(ReadingTexts[ClosingSlot], QStringLiteral("stale"));
    ReadingTexts[ClosingSlot].clear();
}

QTEST_GUILESS_MAIN(tst_ReadingTexts)
#include "tst_readingtexts.moc"
