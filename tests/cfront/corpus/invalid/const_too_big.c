/* expect: 342 */
/* An integer constant beyond 32 bits. */
unsigned long huge = 4294967296UL;
unsigned long largest = 4294967295UL;
