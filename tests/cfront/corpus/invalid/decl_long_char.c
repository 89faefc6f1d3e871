/* expect: 235 */
/* long and char cannot be combined. */
long char letter;
long number;
