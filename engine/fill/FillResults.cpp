#include "FillResults.h"

using namespace modFirdaria;

namespace {

QString periodHeading(const Period& period)
{
    return PanelHeading(period.ruler) + period.startText;
}

// Panel `panel` shows a planetary period: its heading, then one row per
// sub-period 2..7, the name and the date of the same sub-period side by side.
void writePanel(PeriodPanels& panels, int panel, const Period& period)
{
    panels.setPanelHeading(panel, periodHeading(period));
    for (int k = 0; k < PeriodPanels::RowsPerPanel; ++k) {
        const int row = PeriodPanels::RowsPerPanel * panel + k;
        if (k < static_cast<int>(period.subPeriods.size())) {
            const SubPeriod& sub = period.subPeriods[static_cast<std::size_t>(k)];
            panels.setRow(row, sub.name, sub.startText);
        } else {
            panels.setRow(row, QString(), QString());
        }
    }
}

}  // namespace

void FillResults(const FirdariaReading& reading, PeriodPanels& panels)
{
    panels.setTimeOfBirth(reading.timeOfBirth == TimeOfBirth::Day ? QStringLiteral("Day") : QStringLiteral("Night"));
    // Panels follow the sequence with the nodes left out; the nodes have
    // their own lines wherever they stand in the sequence.
    PeriodPanels::PeriodPlaces inTime{};
    int panel = 0;
    for (std::size_t i = 0; i < reading.periods.size(); ++i) {
        const Period& period = reading.periods[i];
        if (period.ruler == Ruler::NorthNode) {
            panels.setNorthNodeLine(periodHeading(period));
            inTime[i] = PeriodPanels::NorthNodeLine;
        } else if (period.ruler == Ruler::SouthNode) {
            panels.setSouthNodeLine(periodHeading(period));
            inTime[i] = PeriodPanels::SouthNodeLine;
        } else if (panel < PeriodPanels::PanelCount) {
            inTime[i] = panel;
            writePanel(panels, panel++, period);
        }
    }
    panels.setPeriodOrder(inTime);
}
