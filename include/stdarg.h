/* stdarg.h - variable arguments for KORV-ZEL C.
   Arguments lie on the stack in ascending addresses from the first one, each taking
   the size of its (promoted) type; the last named parameter tells where the others begin.
   Only functions with the default cdecl convention have such a layout. */
#ifndef __STDARG_H
#define __STDARG_H

typedef char *va_list;

#define va_start(ap, last) ((void)((ap) = (char *)&(last) + sizeof(last)))
#define va_arg(ap, type) (*(type *)(((ap) += sizeof(type)) - sizeof(type)))
#define va_end(ap) ((void)((ap) = (char *)0))

#endif
