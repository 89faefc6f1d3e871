/* Breadth-first search for the shortest path on a small grid maze. */
#define ROWS 6
#define COLS 8

static const char maze[ROWS][COLS + 1] = {
    "S..#....",
    ".#.#.##.",
    ".#...#..",
    ".####.#.",
    "......#.",
    "#.###..E"
};

struct cell { signed char r, c; };

int shortest_path(void)
{
    static struct cell queue[ROWS * COLS];
    int distance[ROWS][COLS];
    static const signed char dr[4] = { -1, 1, 0, 0 }, dc[4] = { 0, 0, -1, 1 };
    int head = 0, tail = 0, r, c, k, nr, nc;
    for (r = 0; r < ROWS; r++)
        for (c = 0; c < COLS; c++)
            distance[r][c] = -1;
    queue[tail].r = 0;
    queue[tail++].c = 0;
    distance[0][0] = 0;
    while (head < tail) {
        r = queue[head].r;
        c = queue[head++].c;
        if (maze[r][c] == 'E')
            return distance[r][c];
        for (k = 0; k < 4; k++) {
            nr = r + dr[k];
            nc = c + dc[k];
            if (nr < 0 || nr >= ROWS || nc < 0 || nc >= COLS)
                continue;
            if (maze[nr][nc] == '#' || distance[nr][nc] >= 0)
                continue;
            distance[nr][nc] = distance[r][c] + 1;
            queue[tail].r = (signed char)nr;
            queue[tail++].c = (signed char)nc;
        }
    }
    return -1;
}

int main(void)
{
    return shortest_path() == 12 ? 0 : 1;
}
