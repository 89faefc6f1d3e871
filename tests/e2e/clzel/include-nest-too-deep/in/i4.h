#include "i5.h"
