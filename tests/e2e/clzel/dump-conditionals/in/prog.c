#define ON
#define V 0x20
#ifdef ON
  a
# ifndef ON
  b
# else
  c
# endif
#else
  d
#endif
#ifdef OFF
#if 1
  e
#else
  f
#endif
#else
  g
#endif
#if V > 31 && (V & 0x20) == 32 ? 1 : 0
  h
#endif
#if UNDEFINED
  i
#endif
#if 1 / 0
  j
#endif
#if A + 1
  k
#endif
#else
#endif
#ifdef ON
#else
#else
  l
#endif
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
#ifdef ON
  inner17
#else
  other17
#endif
  inside16
#endif
#endif
#endif
#endif
#endif
#endif
#endif
#endif
#endif
#endif
#endif
#endif
#endif
#endif
#endif
#endif
done
