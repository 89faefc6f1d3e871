#include "i7.h"
