/* A hex dump of a memory region in the classic sixteen-bytes-per-line layout, through printf. */
int printf(const char *, ...);
int putchar(int);

static void dump_line(const unsigned char *p, unsigned int offset, unsigned int count)
{
    unsigned int i;
    printf("%04x  ", offset);
    for (i = 0; i < 16; i++) {
        if (i < count)
            printf("%02x ", p[i]);
        else
            printf("   ");
        if (i == 7)
            putchar(' ');
    }
    printf(" |");
    for (i = 0; i < count; i++)
        putchar(p[i] >= 0x20 && p[i] < 0x7F ? p[i] : '.');
    printf("|\n");
}

unsigned int hex_dump(const void *memory, unsigned int length)
{
    const unsigned char *p = (const unsigned char *)memory;
    unsigned int offset, lines = 0;
    for (offset = 0; offset < length; offset += 16, lines++)
        dump_line(p + offset, offset, length - offset < 16 ? length - offset : 16);
    return lines;
}

int main(void)
{
    static const char text[] = "The quick brown fox jumps over the lazy dog.\n\001\002";
    return hex_dump(text, sizeof text) == 3 ? 0 : 1;
}
