/* expect: 543 options: -w3 */
/* A condition that is a constant. */
int always(int a)
{
    if (2)
        return a;
    return 0;
}
