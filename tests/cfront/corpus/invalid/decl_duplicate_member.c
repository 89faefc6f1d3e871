/* expect: 264 */
/* A structure with two members of the same name. */
struct point {
    int x;
    int y;
    long x;
};
struct fine { int x, y; };
