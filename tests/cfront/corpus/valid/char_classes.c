/* Character classification through a 128-entry table of flag bits, like ctype. */
#define C_UPPER 0x01
#define C_LOWER 0x02
#define C_DIGIT 0x04
#define C_SPACE 0x08
#define C_PUNCT 0x10
#define C_HEX 0x20

static unsigned char classes[128];

void init_classes(void)
{
    int c;
    for (c = 0; c < 128; c++) {
        unsigned char f = 0;
        if (c >= 'A' && c <= 'Z') f |= C_UPPER;
        if (c >= 'a' && c <= 'z') f |= C_LOWER;
        if (c >= '0' && c <= '9') f |= C_DIGIT | C_HEX;
        if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) f |= C_HEX;
        if (c == ' ' || (c >= '\t' && c <= '\r')) f |= C_SPACE;
        if (c > ' ' && c < 127 && !(f & (C_UPPER | C_LOWER | C_DIGIT))) f |= C_PUNCT;
        classes[c] = f;
    }
}

#define HAS(c, flag) ((unsigned)(c) < 128u && (classes[(unsigned)(c)] & (flag)))

int to_upper(int c) { return HAS(c, C_LOWER) ? c - 'a' + 'A' : c; }
int hex_value(int c)
{
    if (!HAS(c, C_HEX))
        return -1;
    return HAS(c, C_DIGIT) ? c - '0' : to_upper(c) - 'A' + 10;
}

unsigned int count_class(const char *s, unsigned char flag)
{
    unsigned int n = 0;
    for (; *s; s++)
        n += HAS(*s, flag) != 0;
    return n;
}

int main(void)
{
    init_classes();
    return count_class("Hello, World 42!", C_PUNCT) == 2 && count_class("Hello, World 42!", C_UPPER) == 2
        && hex_value('f') == 15 && hex_value('G') == -1 && to_upper('q') == 'Q' && count_class(" \t\n", C_SPACE) == 3 ? 0 : 1;
}
