/* Range checks written against the constants of limits.h and float.h. */
#include <limits.h>
#include <float.h>

int add_would_overflow(int a, int b)
{
    return (b > 0 && a > INT_MAX - b) || (b < 0 && a < INT_MIN - b);
}

int clamp_to_char(int v)
{
    if (v > SCHAR_MAX)
        return SCHAR_MAX;
    if (v < SCHAR_MIN)
        return SCHAR_MIN;
    return v;
}

long saturating_mul(long a, long b)
{
    if (a != 0 && (b > LONG_MAX / a || b < LONG_MIN / a))
        return (a > 0) == (b > 0) ? LONG_MAX : LONG_MIN;
    return a * b;
}

unsigned int bits_in_unsigned(void)
{
    unsigned int v = UINT_MAX, n = 0;
    while (v) {
        n++;
        v >>= 1;
    }
    return n;
}

int float_is_tiny(double d)
{
    return d != 0.0 && (d < 0 ? -d : d) < FLT_MIN;
}

int main(void)
{
    return add_would_overflow(INT_MAX, 1) && !add_would_overflow(-1, 1) && clamp_to_char(300) == 127
        && saturating_mul(100000L, 100000L) == LONG_MAX && bits_in_unsigned() == CHAR_BIT * sizeof(unsigned int)
        && float_is_tiny(1e-300) && DBL_DIG >= 10 && UCHAR_MAX == 255 ? 0 : 1;
}
