/* expect: 247 */
/* A function cannot return an io type. */
__io unsigned char read_port(void);
unsigned char read_fine(void);
