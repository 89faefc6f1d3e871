#include "i10.h"
