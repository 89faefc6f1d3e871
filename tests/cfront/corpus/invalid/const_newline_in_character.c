/* expect: 205 may: 216 */
/* A character constant that the end of the line cuts off. */
int letter = 'a
;
int fine = 'b';
