/* expect: 201 may: 216 */
/* A character that starts no token, in the middle of an expression. */
int value = 1 @ 2;
int fine = 3;
