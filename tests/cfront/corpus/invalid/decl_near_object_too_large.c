/* expect: 362 */
/* An array of 80000 bytes, beyond what the near space holds. */
static long table[200][100];
static long fits[100][100];
