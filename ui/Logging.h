#pragma once

// The program's logging category, "zorvane". Warnings and worse are on by
// default and go to standard error; a maintainer turns debug messages on with
// QT_LOGGING_RULES="zorvane.debug=true". The person using the program sees
// nothing of it: a failure they need to know of is told in a message box.

#include <QLoggingCategory>

namespace zorvane {
Q_DECLARE_LOGGING_CATEGORY(lcProgram)
}  // namespace zorvane
