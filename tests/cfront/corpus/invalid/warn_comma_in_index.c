/* expect: 542 options: -w3 */
/* A comma operator inside a subscript, as in a mistyped two-dimensional index. */
int pick(int grid[4][4], int i, int j)
{
    return grid[i, j][0];
}
