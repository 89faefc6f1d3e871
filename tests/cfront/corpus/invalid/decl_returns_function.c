/* expect: 232 */
/* A function declared to return a function. */
int make_adder(int base)(int);
int (*make_pointer(int base))(int);
