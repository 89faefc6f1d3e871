/* stddef.h - common definitions for KORV-ZEL C.
   int is 16 bits and a near pointer 2 bytes, so sizes and differences fit an int. */
#ifndef __STDDEF_H
#define __STDDEF_H

#ifndef NULL
#define NULL ((void *)0)
#endif

#ifndef __SIZE_T_DEFINED
#define __SIZE_T_DEFINED
typedef unsigned int size_t;
#endif

#ifndef __PTRDIFF_T_DEFINED
#define __PTRDIFF_T_DEFINED
typedef int ptrdiff_t;
#endif

#ifndef __WCHAR_T_DEFINED
#define __WCHAR_T_DEFINED
typedef unsigned short wchar_t; /* holds a Shift-JIS double-byte character */
#endif

#define offsetof(type, member) ((size_t)&(((type *)0)->member))

#endif
