#include "d.h"
#define SIZE 16
#define TEXT "no"
int x;
