#include "i6.h"
