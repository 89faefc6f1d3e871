/* Functions with a variable argument list walked through the stdarg macros. */
#include <stdarg.h>

int sum_ints(int count, ...)
{
    va_list ap;
    int total = 0;
    va_start(ap, count);
    while (count-- > 0)
        total += va_arg(ap, int);
    va_end(ap);
    return total;
}

long sum_until_zero(long first, ...)
{
    va_list ap;
    long total = 0, v = first;
    va_start(ap, first);
    while (v != 0) {
        total += v;
        v = va_arg(ap, long);
    }
    va_end(ap);
    return total;
}

unsigned int format_digits(char *out, const char *pattern, ...)
{
    va_list ap;
    unsigned int n = 0;
    int v;
    va_start(ap, pattern);
    for (; *pattern; pattern++) {
        if (*pattern != '%') {
            out[n++] = *pattern;
            continue;
        }
        v = va_arg(ap, int);
        out[n++] = (char)('0' + v % 10);
    }
    va_end(ap);
    out[n] = '\0';
    return n;
}

int main(void)
{
    char text[16];
    return sum_ints(4, 1, 2, 3, 4) == 10 && sum_until_zero(5L, 6L, 0L) == 11L
        && format_digits(text, "a%b%", 3, 7) == 4 && text[3] == '7' ? 0 : 1;
}
