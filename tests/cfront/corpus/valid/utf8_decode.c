/* Decoding UTF-8 sequences into code points held in unsigned long, with validation. */
long utf8_next(const unsigned char **cursor)
{
    const unsigned char *p = *cursor;
    unsigned long cp;
    int extra, i;
    if (p[0] < 0x80) {
        cp = p[0];
        extra = 0;
    } else if ((p[0] & 0xE0) == 0xC0) {
        cp = p[0] & 0x1F;
        extra = 1;
    } else if ((p[0] & 0xF0) == 0xE0) {
        cp = p[0] & 0x0F;
        extra = 2;
    } else if ((p[0] & 0xF8) == 0xF0) {
        cp = p[0] & 0x07;
        extra = 3;
    } else {
        return -1L;
    }
    for (i = 1; i <= extra; i++) {
        if ((p[i] & 0xC0) != 0x80)
            return -1L;
        cp = cp << 6 | (p[i] & 0x3Fu);
    }
    *cursor = p + extra + 1;
    return (long)cp;
}

int count_code_points(const unsigned char *s)
{
    int n = 0;
    long cp;
    while (*s) {
        cp = utf8_next(&s);
        if (cp < 0)
            return -1;
        n++;
    }
    return n;
}

int main(void)
{
    static const unsigned char text[] = "a\303\251\342\202\254\360\237\230\200";
    static const unsigned char broken[] = "\303(";
    const unsigned char *p = text + 6;
    return count_code_points(text) == 4 && utf8_next(&p) == 0x1F600L && count_code_points(broken) == -1 ? 0 : 1;
}
