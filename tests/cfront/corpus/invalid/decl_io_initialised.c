/* expect: 406 */
/* An io variable with an initialiser. */
__io unsigned char control = 1;
__io unsigned char status;
