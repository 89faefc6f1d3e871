/* expect: 510 options: -w2 */
/* A double constant too large for float. */
float big = 1e39;
