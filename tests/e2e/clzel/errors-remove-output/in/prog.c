section area; int x = 12L;
#include "part.h"
@ x 0.5
;
