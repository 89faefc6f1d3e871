/* Fixed-size matrix arithmetic through pointers to arrays. */
#define N 3

typedef double matrix[N][N];

void mat_identity(matrix m)
{
    int i, j;
    for (i = 0; i < N; i++)
        for (j = 0; j < N; j++)
            m[i][j] = i == j;
}

void mat_multiply(matrix out, const double (*a)[N], const double (*b)[N])
{
    int i, j, k;
    double s;
    for (i = 0; i < N; i++)
        for (j = 0; j < N; j++) {
            for (s = 0.0, k = 0; k < N; k++)
                s += a[i][k] * b[k][j];
            out[i][j] = s;
        }
}

void mat_transpose(double (*m)[N])
{
    int i, j;
    double t;
    for (i = 0; i < N; i++)
        for (j = i + 1; j < N; j++) {
            t = m[i][j];
            m[i][j] = m[j][i];
            m[j][i] = t;
        }
}

double mat_trace(double (*m)[N])
{
    double t = 0;
    int i;
    for (i = 0; i < N; i++)
        t += (*(m + i))[i];
    return t;
}

int main(void)
{
    matrix a = { { 1, 2, 3 }, { 4, 5, 6 }, { 7, 8, 9 } }, id, product;
    mat_identity(id);
    mat_multiply(product, (const double (*)[N])a, (const double (*)[N])id);
    mat_transpose(product);
    return mat_trace(product) == 15.0 && product[0][2] == 7.0 ? 0 : 1;
}
