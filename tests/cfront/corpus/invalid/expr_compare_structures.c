/* expect: 284 */
/* Comparing two structures with ==. */
struct pair { int a, b; };
int same(struct pair x, struct pair y)
{
    return x == y;
}
