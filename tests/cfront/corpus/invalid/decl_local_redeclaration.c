/* expect: 262 */
/* A local variable declared twice in one block. */
int twice(void)
{
    int value = 1;
    long value;
    return 0;
}
