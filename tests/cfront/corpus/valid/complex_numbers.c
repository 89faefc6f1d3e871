/* Complex arithmetic on a structure of two doubles, and a Mandelbrot membership test. */
typedef struct { double re, im; } complex_t;

complex_t c_add(complex_t a, complex_t b)
{
    complex_t r;
    r.re = a.re + b.re;
    r.im = a.im + b.im;
    return r;
}

complex_t c_mul(complex_t a, complex_t b)
{
    complex_t r;
    r.re = a.re * b.re - a.im * b.im;
    r.im = a.re * b.im + a.im * b.re;
    return r;
}

double c_abs2(complex_t a)
{
    return a.re * a.re + a.im * a.im;
}

int mandelbrot_iterations(complex_t c, int limit)
{
    complex_t z;
    int n;
    z.re = z.im = 0.0;
    for (n = 0; n < limit && c_abs2(z) <= 4.0; n++)
        z = c_add(c_mul(z, z), c);
    return n;
}

int main(void)
{
    complex_t inside = { -0.5, 0.0 }, outside = { 1.0, 1.0 }, i = { 0.0, 1.0 }, square;
    square = c_mul(i, i);
    return square.re == -1.0 && square.im == 0.0 && mandelbrot_iterations(inside, 50) == 50
        && mandelbrot_iterations(outside, 50) < 5 ? 0 : 1;
}
