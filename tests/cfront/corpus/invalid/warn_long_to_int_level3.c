/* expect: 546 options: -w3 */
/* Narrowing long to int is reported at warning level 3. */
int narrow(long value)
{
    int small;
    small = value;
    return small;
}
