#pragma once

// A stand-in for the period panels window that records what the filling
// writes, each caption under the name of the control that shows it in the
// real window.

#include "PeriodPanels.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace zorvane::test {

class RecordedPanels final : public PeriodPanels {
public:
    // The controls whose captions a reading writes, 1 + 7 + 2 + 42 + 42, in
    // a fixed order: "lblTimeOfBirth", "fraPlanetName(0)" to "(6)",
    // "lblNNodePlanetName", "lblSNodePlanetName", "lblPlanetCycleName(0)" to
    // "(41)", "lblPlanetCycle(0)" to "(41)".
    static QStringList controlNames();

    void setTimeOfBirth(const QString& text) override;
    void setPanelHeading(int panel, const QString& heading) override;
    void setRow(int row, const QString& name, const QString& startText) override;
    void setNorthNodeLine(const QString& text) override;
    void setSouthNodeLine(const QString& text) override;
    void setPeriodOrder(const PeriodPlaces& inTime) override;

    // The latest caption of each control written, by control name.
    QMap<QString, QString> captions;
    // Every caption written, in order, as "control: caption".
    QStringList writes;
    // The controls of the periods in the order last given, by control name.
    QStringList periodOrder;

private:
    void record(const QString& control, const QString& caption);
};

// "name(index)", as the controls of a control array are named.
QString indexedName(const char* name, int index);

}  // namespace zorvane::test
