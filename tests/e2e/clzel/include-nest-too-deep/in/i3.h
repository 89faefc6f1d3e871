#include "i4.h"
