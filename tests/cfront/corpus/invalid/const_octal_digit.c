/* expect: 202 may: 216 */
/* The digit 8 in an octal constant. */
int mode = 089;
int fine = 7;
int read_fine(void) { return fine; }
