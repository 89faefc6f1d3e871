/* Fully braced, partially braced and brace-elided aggregate initialisers. */
struct point { int x, y; };
struct segment { struct point from, to; char label[4]; };

struct point corners[4] = { { 0, 0 }, { 10, 0 }, { 10, 10 }, { 0, 10 } };
struct point elided[3] = { 1, 2, 3, 4, 5, 6 };
struct point partial[4] = { { 1 }, { 2, 3 } };

struct segment segments[2] = {
    { { 0, 0 }, { 5, 5 }, "ab" },
    { 1, 1, 2, 2, { 'x', 'y', 'z', '\0' } }
};

int grid[3][4] = { { 1, 2, 3, 4 }, { 5, 6 }, { 7 } };
int flat_grid[2][3] = { 1, 2, 3, 4, 5, 6 };
int cube[2][2][2] = { { { 1, 2 }, { 3, 4 } }, { 5, 6, 7, 8 } };

struct config {
    const char *name;
    int limits[3];
    struct { unsigned char on, level; } flags;
    double gain;
};

static struct config configs[] = {
    { "low", { 1, 2, 3 }, { 1, 4 }, 0.5 },
    { "mid", 4, 5, 6, 0, 8, 1.0 },
    { "high" }
};

int sum_grid(void)
{
    int i, j, s = 0;
    for (i = 0; i < 3; i++)
        for (j = 0; j < 4; j++)
            s += grid[i][j];
    return s;
}

int main(void)
{
    struct point local[2] = { { 7, 8 } };
    int checks = 0;
    checks += elided[2].y == 6;
    checks += partial[0].y == 0 && partial[1].y == 3 && partial[3].x == 0;
    checks += segments[1].to.y == 2 && segments[1].label[2] == 'z';
    checks += sum_grid() == 28;
    checks += flat_grid[1][0] == 4 && cube[1][0][1] == 6;
    checks += configs[1].flags.level == 8 && configs[2].gain == 0.0;
    checks += local[1].x == 0 && corners[2].y == 10;
    return checks == 7 ? 0 : 1;
}
