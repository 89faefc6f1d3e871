/* Error handling and loop exits with goto, labels in nested blocks, labels sharing names. */
static int resources[3];

int acquire(int which) { return which < 2; }
void release(int which) { resources[which] = 0; }

int setup(void)
{
    if (!acquire(0))
        goto fail0;
    resources[0] = 1;
    if (!acquire(1))
        goto fail1;
    resources[1] = 1;
    if (!acquire(2))
        goto fail2;
    resources[2] = 1;
    return 0;
fail2:
    release(1);
fail1:
    release(0);
fail0:
    return -1;
}

int find_pair(int grid[4][4], int target, int *row, int *column)
{
    int i, j;
    for (i = 0; i < 4; i++)
        for (j = 0; j < 4; j++)
            if (grid[i][j] == target)
                goto found;
    return 0;
found:
    *row = i;
    *column = j;
    return 1;
}

int count_down(int n)
{
    int steps = 0;
again:
    if (n <= 0)
        goto done;
    {
        n--;
        steps++;
        goto again;
    }
done:
    ;
    return steps;
}

int main(void)
{
    int grid[4][4] = { { 1, 2, 3, 4 }, { 5, 6, 7, 8 }, { 9, 10, 11, 12 }, { 13, 14, 15, 16 } };
    int r = 0, c = 0;
    int found = find_pair(grid, 11, &r, &c);
    int main = setup();
    return main == -1 && found && r == 2 && c == 2 && count_down(5) == 5 && resources[0] == 0 ? 0 : 1;
}
