/* Converting between integers and Roman numerals with a table of value/symbol pairs. */
struct numeral { unsigned int value; const char *symbol; };

static const struct numeral numerals[] = {
    { 1000, "M" }, { 900, "CM" }, { 500, "D" }, { 400, "CD" },
    { 100, "C" }, { 90, "XC" }, { 50, "L" }, { 40, "XL" },
    { 10, "X" }, { 9, "IX" }, { 5, "V" }, { 4, "IV" }, { 1, "I" }
};

unsigned int to_roman(unsigned int n, char *out)
{
    unsigned int i, length = 0;
    const char *s;
    for (i = 0; i < sizeof numerals / sizeof numerals[0]; i++)
        while (n >= numerals[i].value) {
            for (s = numerals[i].symbol; *s; s++)
                out[length++] = *s;
            n -= numerals[i].value;
        }
    out[length] = '\0';
    return length;
}

static int value_of(char c)
{
    switch (c) {
    case 'I': return 1;
    case 'V': return 5;
    case 'X': return 10;
    case 'L': return 50;
    case 'C': return 100;
    case 'D': return 500;
    case 'M': return 1000;
    default: return 0;
    }
}

int from_roman(const char *s)
{
    int total = 0, v, next;
    for (; *s; s++) {
        v = value_of(*s);
        next = value_of(s[1]);
        total += v < next ? -v : v;
    }
    return total;
}

int main(void)
{
    char text[20];
    unsigned int n;
    for (n = 1; n < 4000; n += 37)
        if (to_roman(n, text) == 0 || from_roman(text) != (int)n)
            return 1;
    return to_roman(1994, text) == 7 && text[1] == 'C' ? 0 : 2;
}
