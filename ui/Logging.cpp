#include "Logging.h"

namespace zorvane {
Q_LOGGING_CATEGORY(lcProgram, "zorvane", QtWarningMsg)
}  // namespace zorvane
