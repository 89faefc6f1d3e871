/* expect: 561 */
/* A return with a value in a void function. */
void reset(int *p)
{
    *p = 0;
    return 1;
}
