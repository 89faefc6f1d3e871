/* expect: 256 */
/* A name used without any declaration. */
int twice(int x)
{
    return x + missing;
}
int fine(int x) { return x + x; }
