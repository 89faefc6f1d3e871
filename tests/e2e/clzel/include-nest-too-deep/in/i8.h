#include "i9.h"
