/* expect: 225 */
/* signed and unsigned in one declaration. */
signed unsigned int confused;
unsigned int clear;
