;
#include <none.h>
