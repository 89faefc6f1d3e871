#include "x.h"
FROM_X(y) __LINE__
#line 9 "z.c"
__FILE__
