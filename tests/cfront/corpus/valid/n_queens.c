/* Counting the solutions of the n-queens problem by backtracking with occupancy arrays. */
#define MAX_QUEENS 8

static unsigned char column_used[MAX_QUEENS];
static unsigned char diagonal_used[2 * MAX_QUEENS - 1];
static unsigned char anti_used[2 * MAX_QUEENS - 1];

static int place(int row, int n)
{
    int column, count = 0;
    if (row == n)
        return 1;
    for (column = 0; column < n; column++) {
        int d = row + column, a = row - column + n - 1;
        if (column_used[column] || diagonal_used[d] || anti_used[a])
            continue;
        column_used[column] = diagonal_used[d] = anti_used[a] = 1;
        count += place(row + 1, n);
        column_used[column] = diagonal_used[d] = anti_used[a] = 0;
    }
    return count;
}

int queens(int n)
{
    return n > 0 && n <= MAX_QUEENS ? place(0, n) : 0;
}

int main(void)
{
    return queens(4) == 2 && queens(6) == 4 && queens(8) == 92 ? 0 : 1;
}
