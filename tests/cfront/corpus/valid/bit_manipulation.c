/* Bit tricks on 16- and 32-bit unsigned values: rotation, reversal, population count, parity. */
unsigned int rotate_left16(unsigned int v, unsigned int n)
{
    n &= 15;
    v &= 0xFFFFu;
    return n ? ((v << n) | (v >> (16 - n))) & 0xFFFFu : v;
}

unsigned long reverse_bits32(unsigned long v)
{
    unsigned long r = 0;
    int i;
    for (i = 0; i < 32; i++, v >>= 1)
        r = (r << 1) | (v & 1UL);
    return r;
}

int population(unsigned long v)
{
    int n = 0;
    while (v) {
        n += (int)(v & 1);
        v >>= 1;
    }
    return n;
}

int parity(unsigned int v)
{
    v ^= v >> 8;
    v ^= v >> 4;
    v ^= v >> 2;
    v ^= v >> 1;
    return (int)(v & 1);
}

unsigned int lowest_set(unsigned int v)
{
    return v & (~v + 1);
}

int is_power_of_two(unsigned long v)
{
    return v != 0 && (v & (v - 1)) == 0;
}

int main(void)
{
    return rotate_left16(0x8001u, 1) == 0x0003u && reverse_bits32(1UL) == 0x80000000UL
        && population(0xFFFF0001UL) == 17 && parity(7u) == 1 && lowest_set(0x0C00u) == 0x0400u
        && is_power_of_two(65536UL) && !is_power_of_two(65535UL) ? 0 : 1;
}
