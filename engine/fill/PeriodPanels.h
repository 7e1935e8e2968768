#pragma once

// The period panels window as the filling sees it: the captions that change
// from one reading to the next, and nothing else. The window (frmDisplay)
// implements it, so that the engine writes a reading without window code.
// FillResults writes the periods (the panel headings and the node lines) in
// the order they come in time, which the window follows for the keyboard.

#include "modFirdaria.h"

#include <QString>

class PeriodPanels {
public:
    static constexpr int PanelCount = modFirdaria::PlanetCount;            // 7
    static constexpr int RowsPerPanel = modFirdaria::SubPeriodsPerPlanet;  // 6
    static constexpr int RowCount = PanelCount * RowsPerPanel;             // 42

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
};
