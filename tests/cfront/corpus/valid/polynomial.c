/* Polynomials with integer coefficients: addition, multiplication, derivative, evaluation. */
#define MAX_DEGREE 10

typedef struct {
    int degree;
    long c[MAX_DEGREE + 1];
} poly;

static void normalise(poly *p)
{
    while (p->degree > 0 && p->c[p->degree] == 0)
        p->degree--;
}

poly poly_add(const poly *a, const poly *b)
{
    poly r;
    int i;
    r.degree = a->degree > b->degree ? a->degree : b->degree;
    for (i = 0; i <= r.degree; i++)
        r.c[i] = (i <= a->degree ? a->c[i] : 0) + (i <= b->degree ? b->c[i] : 0);
    normalise(&r);
    return r;
}

poly poly_mul(const poly *a, const poly *b)
{
    poly r;
    int i, j;
    r.degree = a->degree + b->degree;
    for (i = 0; i <= r.degree; i++)
        r.c[i] = 0;
    for (i = 0; i <= a->degree; i++)
        for (j = 0; j <= b->degree; j++)
            r.c[i + j] += a->c[i] * b->c[j];
    normalise(&r);
    return r;
}

poly poly_derivative(const poly *p)
{
    poly r;
    int i;
    r.degree = p->degree > 0 ? p->degree - 1 : 0;
    r.c[0] = 0;
    for (i = 1; i <= p->degree; i++)
        r.c[i - 1] = p->c[i] * i;
    return r;
}

long poly_eval(const poly *p, long x)
{
    long r = 0;
    int i;
    for (i = p->degree; i >= 0; i--)
        r = r * x + p->c[i];
    return r;
}

int main(void)
{
    poly a = { 1, { 1, 1 } }, b = { 1, { -1, 1 } }, product, sum, slope;
    product = poly_mul(&a, &b);
    sum = poly_add(&product, &a);
    slope = poly_derivative(&sum);
    return product.degree == 2 && poly_eval(&product, 3) == 8 && poly_eval(&sum, 2) == 6 && poly_eval(&slope, 1) == 3 ? 0 : 1;
}
