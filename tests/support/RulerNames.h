#pragma once

// The words the results use for the rulers, and the table of sub-period
// names as its rule gives it: "<planet>/<sub-ruler> -", the sub-rulers being
// the next six planets of SubRulerCycle, and the two names at indexes 38
// (Mars/Mercury) and 41 (Mars/Jupiter) ending in one blank more.

#include "modFirdaria.h"

#include <QString>

namespace zorvane::test {

// "Sun" to "Mars" as sub-period names write them; empty for a node.
QString shortName(modFirdaria::Ruler ruler);
// The k-th planet after planet in SubRulerCycle, k = 1..6.
modFirdaria::Ruler cycleSuccessor(modFirdaria::Ruler planet, int k);
// Where the planet's sub-period names begin in SubPeriodNames: the table
// holds each planet's six names in the planets' order of DaySequence.
// -1 for a node, which has none.
int firstSubPeriodName(modFirdaria::Ruler planet);
// SubPeriodNames built from the rule above.
const modFirdaria::SubPeriodNameTable& subPeriodNamesByRule();

}  // namespace zorvane::test
