/* expect: 225 */
/* unsigned written twice. */
unsigned unsigned char twice;
unsigned char once;
