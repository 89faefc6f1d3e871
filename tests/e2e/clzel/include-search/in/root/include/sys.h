root_sys
#include "deeper.h"
