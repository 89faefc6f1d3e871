/* expect: 216 */
/* A statement with a missing operand; the statements after it still count. */
int scaled(int x)
{
    int y;
    y = x * ;
    y = x + 1;
    return y;
}
int caller(void) { return scaled(2); }
