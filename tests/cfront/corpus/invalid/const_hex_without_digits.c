/* expect: 204 */
/* A hexadecimal prefix with no digit after it. */
unsigned int mask = 0x;
unsigned int other = 0x10;
