#include "modSaveForm.h"
