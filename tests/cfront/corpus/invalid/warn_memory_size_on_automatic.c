/* expect: 536 */
/* A memory size on an automatic object has no effect. */
int local(void)
{
    int __near x;
    x = 1;
    return x;
}
