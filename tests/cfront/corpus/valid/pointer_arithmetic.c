/* Pointer arithmetic, differences, comparisons and subscripting from either side. */
#include <stddef.h>

int sum_range(const int *begin, const int *end)
{
    int s = 0;
    while (begin < end)
        s += *begin++;
    return s;
}

ptrdiff_t index_of(const int *a, ptrdiff_t n, int v)
{
    const int *p;
    for (p = a; p != a + n; ++p)
        if (*p == v)
            return p - a;
    return -1;
}

void reverse_in_place(char *first, char *last)
{
    char t;
    while (first < last) {
        t = *first;
        *first++ = *last;
        *last-- = t;
    }
}

int main(void)
{
    int a[8] = { 3, 1, 4, 1, 5, 9, 2, 6 };
    char s[5];
    int *p = a + 2, *q = &a[6];
    s[0] = 'a'; s[1] = 'b'; s[2] = 'c'; s[3] = 'd'; s[4] = '\0';
    reverse_in_place(s, s + 3);
    return sum_range(a, a + 8) == 31 && index_of(a, 8, 9) == 5 && q - p == 4 && p[1] == 1
        && 3[a] == 1 && *(q - 1) == 9 && s[0] == 'd' && (p += 2, *p) == 5 && (size_t)(q - a) == 6u ? 0 : 1;
}
