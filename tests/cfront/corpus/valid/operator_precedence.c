/* Expressions that depend on C's operator precedence and associativity. */
int precedence_checks(void)
{
    int a = 6, b = 3, c = 2, ok = 0;
    int x[3], *p = x;
    x[0] = 10; x[1] = 20; x[2] = 30;
    ok += a + b * c == 12;
    ok += a - b - c == 1;
    ok += a / b / c == 1;
    ok += (a << 1 + 1) == 24;
    ok += (a & b | c) == 2;
    ok += (a ^ b & c) == 4;
    ok += (a < b == c > b) == 1;
    ok += (a > b && b > c || 0) == 1;
    ok += (!a + 1) == 1;
    ok += -a * -b == 18;
    ok += ~0 == -1;
    ok += *p++ == 10 && *p == 20;
    ok += ++*p == 21;
    ok += *++p == 30;
    ok += (a = b = c) == 2 && a == 2;
    ok += (a += b *= 2) == 6;
    ok += (a ? b : c ? 7 : 8) == 4;
    ok += (a, b, c) == 2;
    ok += sizeof a + 1 == sizeof(int) + 1;
    ok += -(unsigned)1 > 0u;
    ok += (1 ? 2 : 3 ? 4 : 5) == 2;
    ok += (5 > 3 > 1) == 0;
    ok += a % b * c == 4;
    return ok;
}

int unary_operators(int v)
{
    int r = 0;
    r += +v;
    r += -v;
    r += !v;
    r += ~v;
    r += v++;
    r += v--;
    r += ++v;
    r += --v;
    return r;
}

int main(void)
{
    return precedence_checks() == 23 && unary_operators(5) == 5 - 5 + 0 - 6 + 5 + 6 + 6 + 5 ? 0 : 1;
}
