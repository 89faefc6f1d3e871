/* Q8.8 fixed-point arithmetic on 16-bit values with long intermediates. */
typedef int fixed;

#define FIXED_ONE 256
#define TO_FIXED(i) ((fixed)((i) * FIXED_ONE))
#define FIXED_INT(f) ((f) >> 8)

fixed fixed_mul(fixed a, fixed b)
{
    return (fixed)(((long)a * (long)b) >> 8);
}

fixed fixed_div(fixed a, fixed b)
{
    if (b == 0)
        return a < 0 ? -32767 : 32767;
    return (fixed)(((long)a << 8) / b);
}

fixed fixed_sqrt(fixed x)
{
    fixed guess = x > FIXED_ONE ? x / 2 : FIXED_ONE;
    int i;
    if (x <= 0)
        return 0;
    for (i = 0; i < 12; i++)
        guess = (guess + fixed_div(x, guess)) / 2;
    return guess;
}

fixed fixed_from_parts(int whole, unsigned int hundredths)
{
    return (fixed)(whole * FIXED_ONE + (int)((hundredths * 256u + 50u) / 100u));
}

int main(void)
{
    fixed a = TO_FIXED(3), b = fixed_from_parts(1, 50);
    fixed product = fixed_mul(a, b), quotient = fixed_div(a, b), root = fixed_sqrt(TO_FIXED(16));
    return product == 1152 && quotient == 512 && FIXED_INT(root) == 4 && fixed_div(a, 0) == 32767 ? 0 : 1;
}
