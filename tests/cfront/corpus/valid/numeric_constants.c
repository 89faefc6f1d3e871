/* Decimal, octal, hexadecimal and suffixed integer constants; floating constants in every form. */
int decimals[] = { 0, 7, 32767, -32767 };
unsigned int octals[] = { 00, 07, 010, 0777, 0177777 };
unsigned int hexes[] = { 0x0, 0xF, 0Xff, 0xABCD, 0xffffU };
long longs[] = { 0L, 40000L, 2147483647L, -2147483647L - 1, 0x7FFFFFFFl, 017777777777L };
unsigned long unsigned_longs[] = { 0UL, 4294967295UL, 0xFFFFFFFFul, 65536uL, 100000LU, 70000u };
unsigned int unsigneds[] = { 0u, 40000u, 65535U };
double reals[] = { 0.0, 1., .5, 1e3, 1E-3, 2.5e+2, 6.02e23, 1.0e-30, 123.456 };
float floats[] = { 1.5f, 2.F, .25e1f, 3e-2F };
long double extended[] = { 1.0L, 2.5e10l };

long sum_longs(void)
{
    return longs[1] + longs[2] + longs[3];
}

int main(void)
{
    unsigned int mixed = 0x10 + 010 + 10;
    long product = 300L * 300L;
    return octals[3] == 511 && hexes[3] == 43981u && mixed == 34 && product == 90000L
        && sum_longs() == 39999L && floats[2] == 2.5f && reals[5] == 250.0 && unsigneds[1] == 40000u
        && unsigned_longs[5] == 70000UL && decimals[2] == 32767 && extended[0] == 1.0L ? 0 : 1;
}
