#include "MDI.h"
