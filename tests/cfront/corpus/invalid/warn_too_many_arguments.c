/* expect: 578 */
/* A call with more arguments than the prototype names. */
int negate(int a);
int call(void)
{
    return negate(1, 2);
}
