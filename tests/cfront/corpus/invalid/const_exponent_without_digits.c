/* expect: 207 */
/* An exponent mark with a sign but no digits. */
double broken = 1e+;
double fine = 1e+3;
