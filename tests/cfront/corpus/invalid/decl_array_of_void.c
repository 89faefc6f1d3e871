/* expect: 221 */
/* An array of void. */
void nothing[4];
char something[4];
