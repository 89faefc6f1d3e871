/* expect: 272 */
/* Unary * applied to an int. */
int deref(int n)
{
    return *n;
}
int fine(int *p) { return *p; }
