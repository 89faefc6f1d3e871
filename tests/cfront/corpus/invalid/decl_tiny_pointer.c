/* expect: 400 */
/* A pointer of memory size __tiny. */
char __tiny *cursor;
char __near *fine;
