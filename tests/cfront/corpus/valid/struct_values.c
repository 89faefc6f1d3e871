/* Structures passed, returned and assigned by value, and nested structure members. */
struct vec { int x, y; };
struct rect { struct vec origin, size; };

struct vec vec_add(struct vec a, struct vec b)
{
    struct vec r;
    r.x = a.x + b.x;
    r.y = a.y + b.y;
    return r;
}

struct vec corner(struct rect r)
{
    return vec_add(r.origin, r.size);
}

struct rect grow(const struct rect *r, int by)
{
    struct rect g;
    g = *r;
    g.origin.x -= by;
    g.origin.y -= by;
    g.size.x += 2 * by;
    g.size.y += 2 * by;
    return g;
}

int contains(struct rect r, struct vec p)
{
    struct vec far_corner;
    far_corner = corner(r);
    return p.x >= r.origin.x && p.y >= r.origin.y && p.x < far_corner.x && p.y < far_corner.y;
}

int main(void)
{
    struct rect r = { { 2, 3 }, { 4, 5 } }, big;
    struct vec p = { 1, 2 }, q;
    big = grow(&r, 1);
    q = corner(big);
    return !contains(r, p) && contains(big, p) && q.x == 7 && q.y == 9 && corner(r).y == 8 ? 0 : 1;
}
