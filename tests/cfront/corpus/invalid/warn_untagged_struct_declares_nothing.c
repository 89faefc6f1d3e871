/* expect: 532 options: -w2 */
/* A structure with neither tag nor declarator. */
struct { int a; };
int fine;
