// The nine interpretation texts, one per ruler, each describing the strong,
// ordinary and weak phases of that ruler's period. Fixed content: the texts
// do not depend on the birth data.

#include "modFirdaria.h"

#include <QLatin1StringView>
#include <QStringView>

#include <algorithm>
#include <span>

namespace modFirdaria {

std::array<QString, ReadingTextSlots> ReadingTexts;

namespace {

// --- The Sun -----------------------------------------------------------------

constexpr QStringView SunStrong =
    u"The Sun Period:-The Sun Period is well known for wealth, accession of valuable "
    u"things, and conferment of distinction and  lucrative gains. It is a period of great "
    u"activity, creativity and abundant energy. It is the time to fulfil your plans and "
    u"take full credit for them. Important people will use their influence for your good.";

constexpr QStringView SunOrdinary =
    u"But care should be taken of health because under its ordinary phase, the native may "
    u"be suffering from ill health and sickness. On the bright side, the period brings "
    u"foreign tours and success in politics, and you may be elected president or chosen "
    u"as the representative of social and political bodies, so that your standing in "
    u"public life will grow slowly but steadily.";

constexpr QStringView SunWeak = u"You may succumb to injuries, diseases, unpleasantness and misunderstandings among "
                                u"relatives, friends, and neighbors and even amongst your colleagues during the weak "
                                u"phase of this period and you may also be affected with pain in the ears and some "
                                u"urinary troubles.";

// --- Venus -------------------------------------------------------------------

constexpr QStringView VenusPowerful =
    u"Venus Period :-The Venus Period is a good time for establishing stability in "
    u"relationships. Peace and harmony will prevail at home and among the people close to "
    u"you, and old quarrels will be settled. Married life will be happy, and the birth of "
    u"a child may bring great joy to the whole family. Overall, this phase makes life "
    u"feel truly worth living, and you will recall it with gratitude.";

constexpr QStringView VenusNominal =
    u"Monetary gains from trade and cultivation and increase of friends’ association are "
    u"the effects of a nominal Venus period. You will follow the theory of ‘live and let "
    u"live!’ and will seek happiness for yourself as well as for others. An interest in "
    u"interiors, fashion and other creative fields may also develop during this time and "
    u"may even bring income.";

constexpr QStringView VenusWeak = u"The weak influence of this period may make you quarrel with your wife adultery and "
                                  u"residence in foreign lands are also there on the cards. Misunderstandings with "
                                  u"loved ones and general unhappiness may trouble you now.";

// --- Mercury -----------------------------------------------------------------

constexpr QStringView MercuryStrong =
    u"Mercury Period :-Under the strong phase of the Mercury Period you will attain fame "
    u"in science, arts and mathematics. You will enjoy the company of learned people and "
    u"gain from their counsel. Sacred literature will attract you and you will read it "
    u"with respect. Your intellect will sharpen and scholarship will come easily to you "
    u"in any subject you take up. Information, knowledge and wisdom are the keywords of "
    u"this period.";

constexpr QStringView MercuryNominalAndWeak =
    u"Obtaining wealth from superiors through your talents will be experienced if you are "
    u"a native passing  through the nominal phase of this period and you may also make "
    u"new friends. In the weak phase, however, you may suffer from windy and phlegmatic "
    u"diseases. A certain dullness of mind and body may also set in for many weeks.";

// --- The Moon ----------------------------------------------------------------

constexpr QStringView MoonStrong =
    u"The Moon Period :-You will enjoy garlands, fame, honor, jewels, domestic happiness "
    u"and also acquisition of land and wealth. Your assets will grow steadily and your "
    u"family will be a source of real happiness. Intellectual success will come your way, "
    u"and the family will matter more to you than ever.";

constexpr QStringView MoonOrdinaryAndNominal =
    u"Under the ordinary and nominal phase, your friends’ circle will increase and you "
    u"will be prone to religious affairs. General prosperity is indicated, with "
    u"prosperity in trade, business and profession, and your work will be well rewarded.";

constexpr QStringView MoonWeak = u"Whereas the period of the Moon in its weak phase may leave you suffering from cold, "
                                 u"emancipation, anxiety and distress. Loss of money and faith, misunderstandings "
                                 u"within the family and a bad repute may also follow, so guard your savings and your "
                                 u"good name.";

// --- Saturn ------------------------------------------------------------------

constexpr QStringView SaturnPowerful =
    u"Saturn Period :-A powerful Saturn period will help you in various gains, leadership "
    u"in society, excellent health and in becoming a scholar in occult studies. Your "
    u"income will be steady, invitations from abroad may arrive and you may open new "
    u"workshops. Contacts with people outside your own community will widen your "
    u"horizons, and your rise in society may bring you offices of trust.";

constexpr QStringView SaturnNominal =
    u"With a nominal Saturn period, income and financial benefits from ordinary "
    u"undertakings, misunderstandings and enmity with friends and associates, trouble "
    u"from thieves, financial troubles and a bad reputation will be experienced.";

constexpr QStringView SaturnWeak =
    u"However, the weak effects of the Saturn period will bring to you untold misery. "
    u"Restlessness will be your constant companion and there may even be a risk of "
    u"imprisonment or of confinement. Notoriety, mounting debts and slander by others may "
    u"follow, together with poverty and real want. Quarrels with all and sundry will "
    u"pop up!";

// Follows SaturnWeak with nothing in between.
constexpr QStringView SaturnClosing =
    u"Health will need attention. Solutions to all problems can be found if you have the will "
    u"to find it.";

// --- Jupiter -----------------------------------------------------------------

constexpr QStringView JupiterStrong =
    u"Jupiter Period :-Under the strong phase of the Jupiter period, the native will gain "
    u"wealthy possessions and honor from employers, kings and rulers. You will have no "
    u"foes to dread and will enjoy good health throughout. Satisfaction, lasting "
    u"friendship and the joy of children will fill your days. You may also found "
    u"charitable institutions or support them with your money. Under a nominal Jupiter "
    u"period you will be free from worry, and small troubles will pass without leaving a "
    u"mark. Travel to distant places is likely and will broaden your outlook. The quest "
    u"of the unknown will draw you on, in thought and in deed.";

constexpr QStringView JupiterWeak = u"With a weak Jupiter period, suffering from several attacks of various diseases "
                                    u"along with family misfortunes may make your life full of worries.";

// --- Mars --------------------------------------------------------------------

constexpr QStringView MarsPowerful =
    u"Mars Period :-Under the powerful Mars Period the native will be showered upon with "
    u"riches, clothes, ornaments and all other materialistic happiness. New appointments, "
    u"gains, victory over rivals, good relations and the fulfilment of your desires are "
    u"also indicated now.";

constexpr QStringView MarsOrdinary =
    u"You are likely to be getting monetary wealth because of your social rank, prestige, "
    u"position and repute. You will be full of energy and drive, though bilious attacks "
    u"may trouble you. Spend your energy productively on work that matters, rather than "
    u"on disputes that bring you nothing.";

constexpr QStringView MarsWeak = u"Under the weak phase of this period the native may face troubles from enemies and "
                                 u"great evils. Health problems too may arise.";

// --- The North Node ----------------------------------------------------------

constexpr QStringView NorthNodeFavourable =
    u"North Node :-Unlike the other planets the north Node is not visible in the solar "
    u"system. Astrologers nevertheless recognise its strong influence on human affairs "
    u"and count it among the planets. In its favourable phase it brings wealth and "
    u"prosperity. Photography, the arts, crafts and the magical sciences may attract you "
    u"and reward your efforts with success and fame. A command of foreign languages, "
    u"courage, research and social service are further gifts of this time, to be shared "
    u"with others.";

constexpr QStringView NorthNodeOrdinary =
    u"Under the ordinary or nominal phase, you are likely to get monetary wealth because "
    u"of your social rank, prestige, position and repute. You might join a new "
    u"organisation or find something fresh to do now.";

constexpr QStringView NorthNodeAdverse =
    u"But the adverse effect of this period will bring social backwardness, mental "
    u"tension and anxiety, bad dreams, trouble in foreign lands. Financial loss, ill "
    u"health, fear and evil thoughts may also trouble you now.";

// --- The South Node ------------------------------------------------------------

// The four paragraphs (powerful, ordinary, malefic, closing) are one text
// that holds its three separators (CR LF CR LF) already.
constexpr QStringView SouthNode =
    u"South Node :-The descending lunar node is known as the South Node. Like the North "
    u"Node, it is not a body but a point in space, and it cannot be seen in the night sky "
    u"by the naked eye or through a telescope. In its powerful phase it brings wealth, "
    u"valuable possessions, distinction and lucrative gains, often from sources that you "
    u"would not expect. Life will be happy and peaceful, and the birth of a child may add "
    u"much to the joy of the whole family."
    u"\r\n\r\n"
    u"Under the ordinary phase you may obtain wealth from superiors by exhibiting your "
    u"talents and you may also make new friends."
    u"\r\n\r\n"
    u"Under its malefic effects, you will succumb to injuries and diseases, you will "
    u"become unfriendly and unhappy, troubles from enemies and great evils will come your "
    u"way. Financial loss is likely, so spend wisely. There may be no peace in married "
    u"life for a long time. Problems will seem to have no end in sight."
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
constexpr QStringView NorthNodeParagraphs[] = {NorthNodeFavourable, NorthNodeOrdinary, NorthNodeAdverse};
constexpr QStringView SouthNodeParagraphs[] = {SouthNode};

// An entry of ReadingTexts: its paragraphs joined by ParagraphSeparator,
// then tail appended as is (Saturn's two closing sentences follow its last
// paragraph with nothing between).
struct StoredText {
    std::span<const QStringView> paragraphs;
    QStringView tail;
};

// Indexed by Ruler value.
constexpr std::array<StoredText, RulerCount> Stored = {{
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

QString assemble(const StoredText& stored)
{
    QString text = stored.paragraphs.front().toString();
    for (const QStringView paragraph : stored.paragraphs.subspan(1)) {
        text += QLatin1StringView(ParagraphSeparator);
        text += paragraph;
    }
    text += stored.tail;
    return text;
}

}  // namespace

void BuildReadingTexts()
{
    // Assembled once; every press then writes the same nine texts again,
    // which shares them instead of copying some 7,000 characters.
    static const std::array<QString, RulerCount> assembled = [] {
        std::array<QString, RulerCount> texts;
        for (int entry = 0; entry < RulerCount; ++entry)
            texts[entry] = assemble(Stored[entry]);
        return texts;
    }();
    std::copy(assembled.begin(), assembled.end(), ReadingTexts.begin());
}

}  // namespace modFirdaria
