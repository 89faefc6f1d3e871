/* expect: 292 */
/* Adding one pointer to another. */
char *middle(char *begin, char *end)
{
    return begin + end;
}
int distance(char *begin, char *end) { return (int)(end - begin); }
