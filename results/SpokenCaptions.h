#pragma once

// The captions of a reading as assistive technology reads them out: one
// phrase for what the window shows in pieces, without the marks that only
// lay it out (" :: " between a period and its start, " -" after a
// sub-period's name).

#include <QString>

namespace zorvane::results {

// "The Moon" from the heading "The Moon :: 3/15/1980" (or "The Moon :: ").
QString rulerOfHeading(const QString& heading);

// "The Moon, 3/15/1980" from the heading "The Moon :: 3/15/1980"; a text
// without " :: " is read as it stands.
QString spokenHeading(const QString& heading);

// "Moon/Saturn, 6/27/1981" from the row's name "Moon/Saturn -" and its
// start "6/27/1981"; an empty part is left out.
QString spokenRow(const QString& name, const QString& start);

}  // namespace zorvane::results
