#include "RecordedPanels.h"

namespace zorvane::test {

QString indexedName(const char* name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1StringView(name)).arg(index);
}

QStringList RecordedPanels::controlNames()
{
    QStringList names{QStringLiteral("lblTimeOfBirth")};
    for (int panel = 0; panel < PanelCount; ++panel)
        names << indexedName("fraPlanetName", panel);
    names << QStringLiteral("lblNNodePlanetName") << QStringLiteral("lblSNodePlanetName");
    for (int row = 0; row < RowCount; ++row)
        names << indexedName("lblPlanetCycleName", row);
    for (int row = 0; row < RowCount; ++row)
        names << indexedName("lblPlanetCycle", row);
    return names;
}

void RecordedPanels::record(const QString& control, const QString& caption)
{
    captions.insert(control, caption);
    writes << control + QStringLiteral(": ") + caption;
}

void RecordedPanels::setTimeOfBirth(const QString& text)
{
    record(QStringLiteral("lblTimeOfBirth"), text);
}

void RecordedPanels::setPanelHeading(int panel, const QString& heading)
{
    record(indexedName("fraPlanetName", panel), heading);
}

void RecordedPanels::setRow(int row, const QString& name, const QString& startText)
{
    record(indexedName("lblPlanetCycleName", row), name);
    record(indexedName("lblPlanetCycle", row), startText);
}

void RecordedPanels::setNorthNodeLine(const QString& text)
{
    record(QStringLiteral("lblNNodePlanetName"), text);
}

void RecordedPanels::setSouthNodeLine(const QString& text)
{
    record(QStringLiteral("lblSNodePlanetName"), text);
}

void RecordedPanels::setPeriodOrder(const PeriodPlaces& inTime)
{
    periodOrder.clear();
    for (const int place : inTime) {
        if (place == NorthNodeLine)
            periodOrder << QStringLiteral("lblNNodePlanetName");
        else if (place == SouthNodeLine)
            periodOrder << QStringLiteral("lblSNodePlanetName");
        else
            periodOrder << indexedName("fraPlanetName", place);
    }
}

}  // namespace zorvane::test
