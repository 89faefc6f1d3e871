#include "i8.h"
