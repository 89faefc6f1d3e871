/* Floating-point routines: square root by Newton's method, polynomial evaluation, rounding. */
double square_root(double x)
{
    double guess = x > 1.0 ? x / 2.0 : 1.0, previous;
    int i;
    if (x <= 0.0)
        return 0.0;
    for (i = 0; i < 40; i++) {
        previous = guess;
        guess = 0.5 * (guess + x / guess);
        if (guess == previous)
            break;
    }
    return guess;
}

double horner(const double *coefficients, int degree, double x)
{
    double r = coefficients[degree];
    while (degree-- > 0)
        r = r * x + coefficients[degree];
    return r;
}

long round_to_long(double d)
{
    return d < 0.0 ? -(long)(-d + 0.5) : (long)(d + 0.5);
}

float mean(const float *v, int n)
{
    float sum = 0.0f;
    int i;
    for (i = 0; i < n; i++)
        sum += v[i];
    return n > 0 ? sum / (float)n : 0.0f;
}

double absolute(double d) { return d < 0 ? -d : d; }

int main(void)
{
    static const double poly[] = { 1.0, -3.0, 0.0, 2.0 };
    static const float samples[] = { 1.5f, 2.5f, 3.5f, 4.5f };
    double r = square_root(2.0);
    return absolute(r * r - 2.0) < 1e-12 && horner(poly, 3, 2.0) == 11.0 && round_to_long(-2.5) == -3L
        && round_to_long(2.4) == 2L && mean(samples, 4) == 3.0f ? 0 : 1;
}
