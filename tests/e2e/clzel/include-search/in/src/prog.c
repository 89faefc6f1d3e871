#include "a.h"
#include <a.h>
#include "b.h"
#include <sys.h>
main_again
