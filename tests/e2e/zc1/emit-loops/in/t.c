int count(int n)
{
    int i, total = 0;
    for (i = 0; i < n; i++)
        total += i;
    while (n > 0) { if (n == 3) break; n--; }
    do { n++; } while (n < 2);
    return total;
}
