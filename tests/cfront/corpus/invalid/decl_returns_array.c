/* expect: 231 */
/* A function declared to return an array. */
typedef int row[4];
row make_row(void);
int *make_pointer(void);
