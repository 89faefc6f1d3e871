/* expect: 270/288 */
/* Multiplying a pointer by an integer. */
int *scale(int *p)
{
    return p * 2;
}
