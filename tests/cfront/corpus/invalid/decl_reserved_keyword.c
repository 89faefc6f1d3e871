/* expect: 408 may: 216 */
/* A reserved extended keyword that the compiler does not support. */
int __pascal compute(int x);
int plain = 1;
