#pragma once

// Writing a computed reading onto the period panels window.

#include "PeriodPanels.h"
#include "modFirdaria.h"

// Writes every caption that changes from one reading to the next: the time
// of birth, the seven panel headings in the order of the sequence, the North
// and South Node lines, and the 42 rows (name and start date of sub-periods
// 2 to 7 of each panel's period). All 94 captions are written on every call,
// so nothing of an earlier reading survives. The description buttons are not
// part of PeriodPanels: they follow the fixed ruler order.
void FillResults(const modFirdaria::FirdariaReading& reading, PeriodPanels& panels);
