/* expect: 295/301/352 */
/* An increment of an expression that is not an lvalue. */
int bump(int a, int b)
{
    (a + b)++;
    return a;
}
