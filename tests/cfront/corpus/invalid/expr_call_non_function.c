/* expect: 285 */
/* Calling an object that is an int. */
int counter;
int run(void)
{
    return counter(1);
}
