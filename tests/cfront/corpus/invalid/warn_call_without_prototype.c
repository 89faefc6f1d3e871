/* expect: 582 options: -w2 */
/* A call of a function declared without a parameter list. */
int old_style();
int call(void)
{
    return old_style(1);
}
