/* Greatest common divisor, least common multiple and reduced fractions in long arithmetic. */
struct fraction { long num, den; };

long gcd(long a, long b)
{
    long t;
    if (a < 0) a = -a;
    if (b < 0) b = -b;
    while (b) {
        t = a % b;
        a = b;
        b = t;
    }
    return a;
}

long gcd_recursive(long a, long b)
{
    return b == 0 ? a : gcd_recursive(b, a % b);
}

long lcm(long a, long b)
{
    return a / gcd(a, b) * b;
}

struct fraction reduce(struct fraction f)
{
    long g = gcd(f.num, f.den);
    if (g > 1) {
        f.num /= g;
        f.den /= g;
    }
    if (f.den < 0) {
        f.num = -f.num;
        f.den = -f.den;
    }
    return f;
}

struct fraction add(struct fraction a, struct fraction b)
{
    struct fraction r;
    r.num = a.num * b.den + b.num * a.den;
    r.den = a.den * b.den;
    return reduce(r);
}

int main(void)
{
    struct fraction half = { 1, 2 }, third = { 1, 3 }, sum;
    sum = add(half, third);
    return gcd(1071L, 462L) == 21L && gcd_recursive(1071L, 462L) == 21L && lcm(21L, 6L) == 42L
        && sum.num == 5 && sum.den == 6 ? 0 : 1;
}
