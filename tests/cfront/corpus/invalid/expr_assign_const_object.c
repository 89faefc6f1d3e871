/* expect: 296 */
/* An assignment to a const-qualified object. */
const int limit = 10;
void change(void)
{
    limit = 20;
}
int read_limit(void) { return limit; }
