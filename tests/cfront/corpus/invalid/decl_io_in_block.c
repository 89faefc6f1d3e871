/* expect: 407 */
/* An io variable declared inside a function. */
int read_port(void)
{
    __io unsigned char port;
    return 0;
}
