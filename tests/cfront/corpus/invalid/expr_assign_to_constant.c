/* expect: 295/301/352 */
/* An assignment whose left side is a constant. */
int set(int x)
{
    3 = x;
    return x;
}
