// The nine interpretation texts, one per ruler, each describing the strong,
// ordinary and weak phases of that ruler's period. Fixed content: the texts
// do not depend on the birth data.

#include "modFirdaria.h"

#include <QLatin1StringView>
#include <QStringView>

#include <span>

namespace modFirdaria {

std::array<QString, ReadingTextSlots> ReadingTexts;

namespace {

// --- The Sun -----------------------------------------------------------------

constexpr QStringView SunStrong =
    u"The Sun Period:-The Sun Period is well known for wealth, accession of valuable things, "
    u"and conferment of distinction and  lucrative gains.";

constexpr QStringView SunOrdinary =
    u"But care should be taken of health because under its ordinary phase, the native may be "
    u"suffering from ill health and sickness.";

constexpr QStringView SunWeak =
    u"You may succumb to injuries, diseases, unpleasantness and misunderstandings among "
    u"relatives, friends, and neighbors and even amongst your colleagues during the weak phase "
    u"of this period and you may also be affected with pain in the ears and some urinary "
    u"troubles.";

// --- Venus -------------------------------------------------------------------

constexpr QStringView VenusPowerful =
    u"Venus Period :-The Venus Period is a good time for establishing stability in "
    u"relationships.";

constexpr QStringView VenusNominal =
    u"Monetary gains from trade and cultivation and increase of friends’ association are the "
    u"effects of a nominal Venus period.";

constexpr QStringView VenusWeak =
    u"The weak influence of this period may make you quarrel with your wife adultery and "
    u"residence in foreign lands are also there on the cards.";

// --- Mercury -----------------------------------------------------------------

constexpr QStringView MercuryStrong =
    u"Mercury Period :-Under the strong phase of the Mercury Period you will attain fame in "
    u"science, arts and mathematics.";

constexpr QStringView MercuryNominalAndWeak =
    u"Obtaining wealth from superiors through your talents will be experienced if you are a "
    u"native passing  through the nominal phase of this period and you may also make new "
    u"friends.";

// --- The Moon ----------------------------------------------------------------

constexpr QStringView MoonStrong =
    u"The Moon Period :-You will enjoy garlands, fame, honor, jewels, domestic happiness and "
    u"also acquisition of land and wealth.";

constexpr QStringView MoonOrdinaryAndNominal =
    u"Under the ordinary and nominal phase, your friends’ circle will increase and you will "
    u"be prone to religious affairs.";

constexpr QStringView MoonWeak =
    u"Whereas the period of the Moon in its weak phase may leave you suffering from cold, "
    u"emancipation, anxiety and distress.";

// --- Saturn ------------------------------------------------------------------

constexpr QStringView SaturnPowerful =
    u"Saturn Period :-A powerful Saturn period will help you in various gains, leadership in "
    u"society, excellent health and in becoming a scholar in occult studies.";

constexpr QStringView SaturnNominal =
    u"With a nominal Saturn period, income and financial benefits from ordinary undertakings, "
    u"misunderstandings and enmity with friends and associates, trouble from thieves, "
    u"financial troubles and a bad reputation will be experienced.";

constexpr QStringView SaturnWeak =
    u"However, the weak effects of the Saturn period will bring to you untold misery.";

// Follows SaturnWeak with nothing in between.
constexpr QStringView SaturnClosing =
    u"Health will need attention. Solutions to all problems can be found if you have the will "
    u"to find it.";

// --- Jupiter -----------------------------------------------------------------

constexpr QStringView JupiterStrong =
    u"Jupiter Period :-Under the strong phase of the Jupiter period, the native will gain "
    u"wealthy possessions and honor from employers, kings and rulers.";

constexpr QStringView JupiterWeak =
    u"With a weak Jupiter period, suffering from several attacks of various diseases along "
    u"with family misfortunes may make your life full of worries.";

// --- Mars --------------------------------------------------------------------

constexpr QStringView MarsPowerful =
    u"Mars Period :-Under the powerful Mars Period the native will be showered upon with "
    u"riches, clothes, ornaments and all other materialistic happiness.";

constexpr QStringView MarsOrdinary =
    u"You are likely to be getting monetary wealth because of your social rank, prestige, "
    u"position and repute.";

constexpr QStringView MarsWeak =
    u"Under the weak phase of this period the native may face troubles from enemies and great "
    u"evils.";

// --- The North Node ----------------------------------------------------------

constexpr QStringView NorthNodeFavourable =
    u"North Node :-Unlike the other planets the north Node is not visible in the solar "
    u"system.";

constexpr QStringView NorthNodeOrdinary =
    u"Under the ordinary or nominal phase, you are likely to get monetary wealth because of "
    u"your social rank, prestige, position and repute.";

constexpr QStringView NorthNodeAdverse =
    u"But the adverse effect of this period will bring social backwardness, mental tension "
    u"and anxiety, bad dreams, trouble in foreign lands.";

// --- The South Node: its four paragraphs in one text -------------------------

constexpr QStringView SouthNode =
    u"South Node :-The descending lunar node is known as the South Node."
    u"\r\n\r\n"
    u"Under the ordinary phase you may obtain wealth from superiors by exhibiting your "
    u"talents and you may also make new friends."
    u"\r\n\r\n"
    u"Under its malefic effects, you will succumb to injuries and diseases, you will become "
    u"unfriendly and unhappy, troubles from enemies and great evils will come your way."
    u"\r\n\r\n"
    u"This is a time to reevaluate your position in life and move ahead.";

// --- Assembly ----------------------------------------------------------------

constexpr QStringView SunParagraphs[] = {SunStrong, SunOrdinary, SunWeak};
constexpr QStringView VenusParagraphs[] = {VenusPowerful, VenusNominal, VenusWeak};
constexpr QStringView MercuryParagraphs[] = {MercuryStrong, MercuryNominalAndWeak};
constexpr QStringView MoonParagraphs[] = {MoonStrong, MoonOrdinaryAndNominal, MoonWeak};
constexpr QStringView SaturnParagraphs[] = {SaturnPowerful, SaturnNominal, SaturnWeak};
constexpr QStringView JupiterParagraphs[] = {JupiterStrong, JupiterWeak};
constexpr QStringView MarsParagraphs[] = {MarsPowerful, MarsOrdinary, MarsWeak};
constexpr QStringView NorthNodeParagraphs[] = {NorthNodeFavourable, NorthNodeOrdinary,
                                               NorthNodeAdverse};
constexpr QStringView SouthNodeParagraphs[] = {SouthNode};

struct TextPlan {
    std::span<const QStringView> paragraphs;  // joined by the paragraph separator
    QStringView tail;                         // appended to the last paragraph as is
};

// Indexed by Ruler value.
const std::array<TextPlan, RulerCount> Plans = {{
    {SunParagraphs, {}},
    {VenusParagraphs, {}},
    {MercuryParagraphs, {}},
    {MoonParagraphs, {}},
    {SaturnParagraphs, SaturnClosing},
    {JupiterParagraphs, {}},
    {MarsParagraphs, {}},
    {NorthNodeParagraphs, {}},
    {SouthNodeParagraphs, {}},
}};

QString assemble(const TextPlan& plan)
{
    const QLatin1StringView separator(ParagraphSeparator);
    QString text;
    for (const QStringView paragraph : plan.paragraphs) {
        if (!text.isEmpty())
            text += separator;
        text += paragraph;
    }
    text += plan.tail;
    return text;
}

}  // namespace

void BuildReadingTexts()
{
    for (int entry = 0; entry < RulerCount; ++entry)
        ReadingTexts[entry] = assemble(Plans[entry]);
}

}  // namespace modFirdaria
