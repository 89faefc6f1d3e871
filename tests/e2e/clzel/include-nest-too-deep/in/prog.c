#include "i1.h"
