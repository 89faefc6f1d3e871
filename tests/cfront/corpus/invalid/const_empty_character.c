/* expect: 200 */
/* A character constant with nothing between the quotes. */
int nothing = '';
int something = 'a';
