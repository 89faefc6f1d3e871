/* do/while, while and for loops with break, continue and empty bodies. */
unsigned int digits(unsigned long n)
{
    unsigned int count = 0;
    do {
        count++;
        n /= 10;
    } while (n != 0);
    return count;
}

int skip_spaces(const char *s)
{
    int i = 0;
    while (s[i] == ' ' || s[i] == '\t')
        i++;
    return i;
}

int sum_odd_until_negative(const int *values, int n)
{
    int i, sum = 0;
    for (i = 0; i < n; i++) {
        if (values[i] < 0)
            break;
        if (values[i] % 2 == 0)
            continue;
        sum += values[i];
    }
    return sum;
}

int find_zero(const int *p)
{
    const int *start = p;
    for (; *p; p++)
        ;
    return (int)(p - start);
}

int forever_with_exit(int limit)
{
    int n = 0;
    for (;;) {
        if (++n >= limit)
            break;
    }
    while (1) {
        do
            n += 2;
        while (n % 7);
        if (n > 30)
            break;
    }
    return n;
}

int main(void)
{
    static int values[] = { 1, 2, 3, 4, 5, -1, 7 };
    static int zeros[] = { 4, 4, 4, 0 };
    return digits(1234567UL) == 7 && skip_spaces("  \tx") == 3 && sum_odd_until_negative(values, 7) == 9
        && find_zero(zeros) == 3 && forever_with_exit(3) == 35 ? 0 : 1;
}
