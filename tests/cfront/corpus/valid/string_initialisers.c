/* Character arrays initialised from string literals, with and without braces. */
char exact[5] = "five!";
char with_nul[6] = "five!";
char padded[10] = "pad";
char braced[] = { "braced" };
const char *pointers[] = { "one", "two", "three" };
char table[3][8] = { "alpha", "beta", { "gamma" } };
unsigned char bytes[] = "\001\002\377";
static const char joined[] = "adjacent " "literals " "are one";
signed char small[4] = "abc";

unsigned int length_of(const char *s)
{
    const char *p = s;
    while (*p)
        ++p;
    return (unsigned int)(p - s);
}

int main(void)
{
    int ok = 1;
    ok &= sizeof exact == 5 && exact[4] == '!';
    ok &= with_nul[5] == '\0' && padded[9] == 0;
    ok &= sizeof braced == 7;
    ok &= length_of(pointers[2]) == 5;
    ok &= table[2][0] == 'g' && table[1][4] == '\0';
    ok &= sizeof bytes == 4 && bytes[2] == 255;
    ok &= length_of(joined) == 25;
    ok &= small[3] == 0;
    return !ok;
}
