/* expect: 390 */
/* An integer divided by the constant zero. */
int divide(int x)
{
    return x / 0;
}
int fine(int x) { return x / 2; }
