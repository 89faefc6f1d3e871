/* expect: 342 */
/* A hexadecimal constant of nine digits. */
unsigned long huge = 0x100000000;
unsigned long largest = 0xFFFFFFFF;
