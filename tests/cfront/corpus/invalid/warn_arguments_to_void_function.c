/* expect: 574 */
/* A call with an argument to a function declared with (void). */
int ready(void);
int poll(void)
{
    return ready(1);
}
