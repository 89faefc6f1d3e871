#include "i2.h"
