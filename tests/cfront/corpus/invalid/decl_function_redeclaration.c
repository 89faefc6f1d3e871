/* expect: 262 */
/* A function redeclared with a different return type. */
int area(int width, int height);
long area(int width, int height);
int perimeter(int width, int height);
