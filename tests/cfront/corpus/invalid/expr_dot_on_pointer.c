/* expect: 274 */
/* The . operator applied to a pointer to a structure. */
struct point { int x, y; };
int get_x(struct point *p)
{
    return p.x;
}
int get_y(struct point *p) { return p->y; }
