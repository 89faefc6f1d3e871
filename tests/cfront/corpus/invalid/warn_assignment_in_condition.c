/* expect: 540 options: -w3 */
/* An assignment used as a condition. */
int copy_flag(int a, int b)
{
    if (a = b)
        return 1;
    return 0;
}
