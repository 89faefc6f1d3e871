#define LIMIT 10
#define EMPTY
#include "defs.h"
section vars area tiny;
unsigned char count;	/* a tab, then a comment long enough to be broken at the width of the page */
struct pair { unsigned char low; unsigned char high; };
struct pair both;
section code;
void step(void)
{
  A = count;
  A += STEP;
  count = A;
  A = shared;
}
