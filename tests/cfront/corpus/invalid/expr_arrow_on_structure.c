/* expect: 275 */
/* The -> operator applied to a structure that is not a pointer. */
struct point { int x, y; };
int get_x(struct point p)
{
    return p->x;
}
int get_y(struct point p) { return p.y; }
