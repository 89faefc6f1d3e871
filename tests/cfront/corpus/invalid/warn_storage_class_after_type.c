/* expect: 563 */
/* A storage class after the type words. */
int static counter;
int read_counter(void) { return counter; }
