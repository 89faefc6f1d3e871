/* Every compound assignment operator on several operand types, and chained assignment. */
int integers(void)
{
    int a = 100, b, c;
    a += 5;
    a -= 3;
    a *= 2;
    a /= 4;
    a %= 7;
    a <<= 3;
    a >>= 1;
    a &= 0x3C;
    a |= 0x41;
    a ^= 0x0F;
    b = c = a;
    return a + b - c;
}

long longs(void)
{
    long l = 70000L;
    unsigned long u = 0xFFFF0000UL;
    l += 1;
    l *= 3;
    l /= 7L;
    u >>= 16;
    u ^= 0x00FFUL;
    l -= (long)u;
    return l;
}

double reals(void)
{
    double d = 1.5;
    float f = 2.0f;
    d += 0.5;
    d *= f;
    d -= 1.0;
    d /= 3.0;
    f += (float)d;
    return f;
}

int pointers(void)
{
    int data[10], *p = data, *q;
    int i;
    for (i = 0; i < 10; i++)
        data[i] = i * i;
    p += 6;
    p -= 2;
    q = p;
    q += 3;
    return *p + *q;
}

int main(void)
{
    unsigned char byte = 0xF0;
    byte >>= 4;
    byte |= 0x80;
    return integers() == 0x46 && longs() == -35280L && reals() == 3.0 && pointers() == 65 && byte == 0x8F ? 0 : 1;
}
