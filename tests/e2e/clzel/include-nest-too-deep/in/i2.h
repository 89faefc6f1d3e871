#include "i3.h"
