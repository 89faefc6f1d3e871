/* expect: 262 */
/* A typedef name redeclared as an object in the same scope. */
typedef int length;
int length;
int length_fine(void) { return 0; }
