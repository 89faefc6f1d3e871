/* expect: 221 */
/* An array whose elements are functions rather than pointers to functions. */
typedef int handler(int);
handler table[3];
handler *pointers[3];
