/* expect: 216 */
/* A declarator that starts with a bracket; the next declaration is independent of it. */
int [4] table;
int after = 3;
int read_after(void) { return after; }
