/* expect: 254 */
/* An automatic object of a structure type that is never completed. */
struct missing;
int use(void)
{
    struct missing m;
    return 0;
}
