#include "frmSave.h"
