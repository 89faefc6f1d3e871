/* expect: 235 */
/* short and double cannot be combined. */
short double value;
double other;
