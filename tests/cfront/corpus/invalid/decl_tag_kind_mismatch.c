/* expect: 263 */
/* An enumeration tag reused as a union tag in the same scope. */
enum shape { CIRCLE, SQUARE };
union shape { int radius; int side; };
enum other { ONE };
