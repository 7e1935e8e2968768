#include "modFirdaria.h"
