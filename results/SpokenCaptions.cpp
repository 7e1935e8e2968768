#include "SpokenCaptions.h"

#include <QStringList>

namespace zorvane::results {

namespace {

const QString HeadingMark = QStringLiteral("::");

// The parts that are not empty, joined by a comma: a pause when read out.
QString phrase(const QString& first, const QString& second)
{
    QStringList parts;
    for (const QString& part : {first, second})
        if (!part.isEmpty())
            parts << part;
    return parts.join(QStringLiteral(", "));
}

}  // namespace

QString rulerOfHeading(const QString& heading)
{
    return heading.section(HeadingMark, 0, 0).trimmed();
}

QString spokenHeading(const QString& heading)
{
    if (!heading.contains(HeadingMark))
        return heading.trimmed();
    return phrase(rulerOfHeading(heading), heading.section(HeadingMark, 1).trimmed());
}

QString spokenRow(const QString& name, const QString& start)
{
    QString spokenName = name.trimmed();
    while (spokenName.endsWith(QLatin1Char('-')))
        spokenName = spokenName.chopped(1).trimmed();
    return phrase(spokenName, start.trimmed());
}

}  // namespace zorvane::results
