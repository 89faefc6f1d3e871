/* expect: 239 */
/* An array whose size evaluates to a negative number. */
#define SIZE 4
char buffer[SIZE - 5];
char fine[SIZE];
