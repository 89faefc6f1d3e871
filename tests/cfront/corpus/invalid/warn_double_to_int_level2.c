/* expect: 514 options: -w2 */
/* Converting double to int may lose data; reported from warning level 2. */
int whole(double d)
{
    int i;
    i = d;
    return i;
}
