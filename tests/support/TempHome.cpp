#include "TempHome.h"
