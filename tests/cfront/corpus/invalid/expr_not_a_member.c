/* expect: 278 */
/* Selecting a member the structure does not have. */
struct point { int x, y; };
int depth(struct point p)
{
    return p.z;
}
int width(struct point p) { return p.x; }
