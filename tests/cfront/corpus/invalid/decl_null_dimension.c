/* expect: 243 */
/* An inner array dimension left out. */
int grid[3][];
int full[3][3];
