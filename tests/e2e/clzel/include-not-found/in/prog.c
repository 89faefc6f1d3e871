x;
#include <none.h>
