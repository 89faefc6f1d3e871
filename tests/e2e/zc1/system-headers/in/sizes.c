#include <limits.h>
#include <stddef.h>
#include <float.h>
#include <stdarg.h>
#if INT_MAX == 32767 && UINT_MAX == 65535 && LONG_MAX == 2147483647 && CHAR_BIT == 8
int target_ok = DBL_DIG + LDBL_MANT_DIG;
#endif
size_t n = offsetof(struct s, m);
