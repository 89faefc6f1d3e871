/* expect: 216 */
/* Two operands without an operator between them, inside a function body. */
int total(int a, int b)
{
    int t = 0;
    t = a b;
    return t + a;
}
int caller(void) { return total(1, 2); }
