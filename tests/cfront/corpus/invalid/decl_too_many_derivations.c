/* expect: 363 */
/* Thirteen pointer levels in one declarator. */
int *************deep;
int ************twelve;
