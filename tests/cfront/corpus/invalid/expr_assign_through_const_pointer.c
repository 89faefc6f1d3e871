/* expect: 296 */
/* An assignment through a pointer to const. */
void clear(const int *p)
{
    *p = 0;
}
void clear_fine(int *p) { *p = 0; }
