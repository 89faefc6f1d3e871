/* expect: 516 options: -w2 */
/* A floating constant beyond the range of long, converted to long. */
long big = 5e9;
