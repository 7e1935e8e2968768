#include "RulerNames.h"

#include <algorithm>

using namespace modFirdaria;

namespace zorvane::test {

QString shortName(Ruler ruler)
{
    switch (ruler) {
    case Ruler::Sun:
        return QStringLiteral("Sun");
    case Ruler::Venus:
        return QStringLiteral("Venus");
    case Ruler::Mercury:
        return QStringLiteral("Mercury");
    case Ruler::Moon:
        return QStringLiteral("Moon");
    case Ruler::Saturn:
        return QStringLiteral("Saturn");
    case Ruler::Jupiter:
        return QStringLiteral("Jupiter");
    case Ruler::Mars:
        return QStringLiteral("Mars");
    case Ruler::NorthNode:
    case Ruler::SouthNode:
        break;
    }
    return {};
}

Ruler cycleSuccessor(Ruler planet, int k)
{
    const auto at = std::find(SubRulerCycle.begin(), SubRulerCycle.end(), planet);
    const auto place = static_cast<int>(at - SubRulerCycle.begin());
    return SubRulerCycle[static_cast<std::size_t>((place + k) % PlanetCount)];
}

int firstSubPeriodName(Ruler planet)
{
    const auto planets = DaySequence.begin() + PlanetCount;
    const auto at = std::find_if(DaySequence.begin(), planets,
                                 [planet](const SequenceEntry& entry) { return entry.ruler == planet; });
    return at == planets ? -1 : SubPeriodsPerPlanet * static_cast<int>(at - DaySequence.begin());
}

const SubPeriodNameTable& subPeriodNamesByRule()
{
    static const SubPeriodNameTable names = [] {
        SubPeriodNameTable table;
        for (int place = 0; place < PlanetCount; ++place) {
            const Ruler planet = DaySequence[static_cast<std::size_t>(place)].ruler;
            for (int k = 1; k <= SubPeriodsPerPlanet; ++k) {
                const auto index = static_cast<std::size_t>(SubPeriodsPerPlanet * place + k - 1);
                const bool extraBlank =
                    planet == Ruler::Mars
                    && (cycleSuccessor(planet, k) == Ruler::Mercury || cycleSuccessor(planet, k) == Ruler::Jupiter);
                table[index] = shortName(planet) + u'/' + shortName(cycleSuccessor(planet, k))
                               + QLatin1StringView(extraBlank ? " - " : " -");
            }
        }
        return table;
    }();
    return names;
}

}  // namespace zorvane::test
