/* Adjacent string literals joined across lines, macros and escape sequences. */
#define PREFIX "zc"
#define VERSION "1.2"
#define BANNER PREFIX "-" VERSION

static const char usage[] =
    "usage: tool [options] file\n"
    "  -v     verbose\n"
    "  -o F   output to F\n";

static const char *const parts[] = {
    "one" "two",
    "three"
    "four",
    "" "empty" "",
    BANNER
};

static const char split_escape[] = "\x41" "B" "\101" "C";

unsigned int length(const char *s)
{
    unsigned int n = 0;
    while (*s++)
        n++;
    return n;
}

int main(void)
{
    return length(usage) == 65 && length(parts[0]) == 6 && length(parts[1]) == 9
        && length(parts[2]) == 5 && length(parts[3]) == 6 && split_escape[2] == 'A'
        && split_escape[3] == 'C' && sizeof split_escape == 5 ? 0 : 1;
}
