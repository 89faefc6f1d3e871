/* limits.h - sizes of the integral types of KORV-ZEL C:
   char 8 bits, short and int 16 bits, long 32 bits.
   Plain char is signed; a program compiled with -Xuc (plain char unsigned) sees
   CHAR_MIN 0 and CHAR_MAX 255 only if it defines __CHAR_UNSIGNED before the include. */
#ifndef __LIMITS_H
#define __LIMITS_H

#define CHAR_BIT 8
#define MB_LEN_MAX 2

#define SCHAR_MIN (-128)
#define SCHAR_MAX 127
#define UCHAR_MAX 255

#ifdef __CHAR_UNSIGNED
#define CHAR_MIN 0
#define CHAR_MAX UCHAR_MAX
#else
#define CHAR_MIN SCHAR_MIN
#define CHAR_MAX SCHAR_MAX
#endif

#define SHRT_MIN (-32767 - 1)
#define SHRT_MAX 32767
#define USHRT_MAX 65535U

#define INT_MIN (-32767 - 1)
#define INT_MAX 32767
#define UINT_MAX 65535U

#define LONG_MIN (-2147483647L - 1)
#define LONG_MAX 2147483647L
#define ULONG_MAX 4294967295UL

#endif
