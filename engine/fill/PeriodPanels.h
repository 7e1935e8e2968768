#pragma once

// The period panels window as the filling sees it: the captions that change
// from one reading to the next, and the order in which the periods come in
// time, which the window follows for the keyboard. The window (frmDisplay)
// implements it, so that the engine writes a reading without window code.

#include "modFirdaria.h"

#include <QString>

#include <array>

class PeriodPanels {
public:
    static constexpr int PanelCount = modFirdaria::PlanetCount;            // 7
    static constexpr int RowsPerPanel = modFirdaria::SubPeriodsPerPlanet;  // 6
    static constexpr int RowCount = PanelCount * RowsPerPanel;             // 42
    // Where a period stands on the window: panels 0..6, then the two lines.
    static constexpr int NorthNodeLine = PanelCount;      // 7
    static constexpr int SouthNodeLine = PanelCount + 1;  // 8
    using PeriodPlaces = std::array<int, modFirdaria::RulerCount>;

    virtual ~PeriodPanels() = default;

    // lblTimeOfBirth: "Day" or "Night".
    virtual void setTimeOfBirth(const QString& text) = 0;
    // fraPlanetName(panel), panel 0..6: the heading of the panel's period
    // followed by its start text.
    virtual void setPanelHeading(int panel, const QString& heading) = 0;
    // lblPlanetCycleName(row) and lblPlanetCycle(row), row 0..41 (panel
    // row / 6): the name and the start text of one sub-period.
    virtual void setRow(int row, const QString& name, const QString& startText) = 0;
    // lblNNodePlanetName and lblSNodePlanetName: heading and start text.
    virtual void setNorthNodeLine(const QString& text) = 0;
    virtual void setSouthNodeLine(const QString& text) = 0;
    // The places of the nine periods, the first to come first.
    virtual void setPeriodOrder(const PeriodPlaces& inTime) = 0;
};
