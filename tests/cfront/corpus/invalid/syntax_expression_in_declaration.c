/* expect: 216 */
/* An operand is missing in an initialiser; the declarations after it are read normally. */
int broken = (1 + );
int second = 2;
int use_second(void) { return second; }
