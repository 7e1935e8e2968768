#include "FillResults.h"

#include "frmDisplay.h"

#include <QGroupBox>
#include <QLabel>

using namespace modFirdaria;

namespace {

QString periodHeading(const Period& period)
{
    return PanelHeading(period.ruler) + period.startText;
}

// Panel `panel` shows a planetary period: its heading, then one row per
// sub-period 2..7, the name and the date of the same sub-period side by side.
void writePanel(frmDisplay& display, int panel, const Period& period)
{
    display.fraPlanetName[static_cast<std::size_t>(panel)]->setTitle(periodHeading(period));
    for (int k = 0; k < frmDisplay::RowsPerPanel; ++k) {
        const auto row = static_cast<std::size_t>(frmDisplay::RowsPerPanel * panel + k);
        const bool listed = k < static_cast<int>(period.subPeriods.size());
        const SubPeriod* sub = listed ? &period.subPeriods[static_cast<std::size_t>(k)] : nullptr;
        display.lblPlanetCycleName[row]->setText(sub ? sub->name : QString());
        display.lblPlanetCycle[row]->setText(sub ? sub->startText : QString());
    }
}

}  // namespace

void FillResults(const FirdariaReading& reading, frmDisplay& display)
{
    display.lblTimeOfBirth->setText(reading.timeOfBirth == TimeOfBirth::Day ? QStringLiteral("Day")
                                                                            : QStringLiteral("Night"));
    // Panels follow the sequence with the nodes left out; the nodes have
    // their own lines wherever they stand in the sequence.
    int panel = 0;
    for (const Period& period : reading.periods) {
        if (period.ruler == Ruler::NorthNode)
            display.lblNNodePlanetName->setText(periodHeading(period));
        else if (period.ruler == Ruler::SouthNode)
            display.lblSNodePlanetName->setText(periodHeading(period));
        else if (panel < frmDisplay::PanelCount)
            writePanel(display, panel++, period);
    }
}
