/* expect: 621 */
/* An escape sequence that C does not define stands for the character itself. */
int q = '\q';
