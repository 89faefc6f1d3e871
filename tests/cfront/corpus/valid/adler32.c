/* The Adler-32 and Fletcher-16 checksums over byte buffers. */
#define ADLER_MOD 65521UL

unsigned long adler32(const unsigned char *data, unsigned int length)
{
    unsigned long a = 1, b = 0;
    while (length--) {
        a = (a + *data++) % ADLER_MOD;
        b = (b + a) % ADLER_MOD;
    }
    return (b << 16) | a;
}

unsigned int fletcher16(const unsigned char *data, unsigned int length)
{
    unsigned int sum1 = 0, sum2 = 0;
    unsigned int i;
    for (i = 0; i < length; i++) {
        sum1 = (sum1 + data[i]) % 255;
        sum2 = (sum2 + sum1) % 255;
    }
    return (sum2 << 8) | sum1;
}

int main(void)
{
    static const unsigned char wiki[] = "Wikipedia";
    static const unsigned char abcde[] = "abcde";
    return adler32(wiki, 9) == 0x11E60398UL && fletcher16(abcde, 5) == 0xC8F0u ? 0 : 1;
}
