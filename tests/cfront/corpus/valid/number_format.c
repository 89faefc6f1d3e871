/* Converting integers to text in any base from 2 to 16, signed and unsigned, with padding. */
static const char digit_chars[] = "0123456789abcdef";

unsigned int format_unsigned(char *out, unsigned long value, unsigned int base, unsigned int width)
{
    char reversed[33];
    unsigned int n = 0, i;
    if (base < 2 || base > 16)
        return 0;
    do {
        reversed[n++] = digit_chars[value % base];
        value /= base;
    } while (value);
    while (n < width && n < sizeof reversed)
        reversed[n++] = '0';
    for (i = 0; i < n; i++)
        out[i] = reversed[n - 1 - i];
    out[n] = '\0';
    return n;
}

unsigned int format_signed(char *out, long value, unsigned int base)
{
    if (value < 0) {
        *out = '-';
        return 1 + format_unsigned(out + 1, 0UL - (unsigned long)value, base, 0);
    }
    return format_unsigned(out, (unsigned long)value, base, 0);
}

static int same(const char *a, const char *b)
{
    for (; *a == *b; a++, b++)
        if (!*a)
            return 1;
    return 0;
}

int main(void)
{
    char text[40];
    int ok = 1;
    format_unsigned(text, 255UL, 16, 4);
    ok = ok && same(text, "00ff");
    format_signed(text, -2147483647L - 1L, 10);
    ok = ok && same(text, "-2147483648");
    format_unsigned(text, 5UL, 2, 0);
    ok = ok && same(text, "101");
    return ok && format_unsigned(text, 1UL, 17, 0) == 0 ? 0 : 1;
}
