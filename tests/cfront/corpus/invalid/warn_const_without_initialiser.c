/* expect: 544 options: -w3 */
/* A const object that is never given a value. */
const int limit;
