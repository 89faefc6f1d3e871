/* expect: 341 */
/* Three characters in one character constant. */
int three = 'abc';
int one = 'a';
