/* expect: 226 */
/* Two storage classes on one declaration. */
static extern int both;
static int one;
int read_one(void) { return one; }
