/* expect: 577 */
/* A call with fewer arguments than the prototype names. */
int add(int a, int b);
int call(void)
{
    return add(1);
}
