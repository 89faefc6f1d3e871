/* auto and register locals and parameters in tight loops. */
unsigned int checksum(register const unsigned char *p, register unsigned int n)
{
    register unsigned int sum = 0;
    while (n--)
        sum = (sum << 1 | sum >> 15) + *p++;
    return sum;
}

int count_bits(unsigned int v)
{
    register int count;
    for (count = 0; v; v &= v - 1)
        count++;
    return count;
}

int automatic_values(void)
{
    auto int a = 1;
    auto long b = 2L;
    register char c = 3;
    auto struct { int x; } s;
    s.x = a + (int)b + c;
    return s.x;
}

int main(void)
{
    static const unsigned char data[] = { 1, 2, 3, 4 };
    return checksum(data, 4u) == 26u && count_bits(0xF0F0u) == 8 && automatic_values() == 6 ? 0 : 1;
}
