section code;
void twice(void)
{
#include "step.h"
#include "step.h"
  while (A != 0) {
    A--;
  }
}
