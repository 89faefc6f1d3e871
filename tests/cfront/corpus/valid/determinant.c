/* The determinant of a small matrix by cofactor expansion, using variable-size views. */
#define MAX_N 5

static double minor_of(const double m[MAX_N][MAX_N], int n, int skip_column, double out[MAX_N][MAX_N])
{
    int i, j, k;
    for (i = 1; i < n; i++)
        for (j = 0, k = 0; j < n; j++)
            if (j != skip_column)
                out[i - 1][k++] = m[i][j];
    return m[0][skip_column];
}

double determinant(const double m[MAX_N][MAX_N], int n)
{
    double sub[MAX_N][MAX_N], sum = 0.0, pivot;
    int column, sign = 1;
    if (n == 1)
        return m[0][0];
    if (n == 2)
        return m[0][0] * m[1][1] - m[0][1] * m[1][0];
    for (column = 0; column < n; column++, sign = -sign) {
        pivot = minor_of(m, n, column, sub);
        sum += sign * pivot * determinant((const double (*)[MAX_N])sub, n - 1);
    }
    return sum;
}

int main(void)
{
    static const double a[MAX_N][MAX_N] = { { 2, 0, 1 }, { 1, 3, 2 }, { 1, 1, 2 } };
    static const double identity[MAX_N][MAX_N] = {
        { 1, 0, 0, 0 }, { 0, 1, 0, 0 }, { 0, 0, 1, 0 }, { 0, 0, 0, 1 }
    };
    return determinant(a, 3) == 6.0 && determinant(identity, 4) == 1.0 ? 0 : 1;
}
