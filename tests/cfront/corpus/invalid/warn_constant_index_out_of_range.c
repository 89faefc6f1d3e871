/* expect: 559 options: -w3 */
/* A constant subscript one past the end of the array. */
int last(void)
{
    int a[4];
    a[0] = 1;
    return a[4];
}
