/* expect: 262 */
/* One name declared as two different types in the same scope. */
int count;
char *count;
int other;
