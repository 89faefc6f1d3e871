#include "part.h"
#error in primary
