/* expect: 351 */
/* A function declared static inside a block. */
int outer(void)
{
    static int helper(void);
    return 0;
}
int fine(void) { extern int helper2(void); return 0; }
