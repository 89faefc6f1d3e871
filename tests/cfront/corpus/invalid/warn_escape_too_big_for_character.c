/* expect: 517 */
/* A hexadecimal escape whose value does not fit a character. */
int c = '\x1FF';
