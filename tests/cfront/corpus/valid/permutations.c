/* Generating permutations in lexicographic order with the next-permutation algorithm. */
static void swap_chars(char *a, char *b)
{
    char t = *a;
    *a = *b;
    *b = t;
}

int next_permutation(char *s, int n)
{
    int i = n - 2, j;
    while (i >= 0 && s[i] >= s[i + 1])
        i--;
    if (i < 0)
        return 0;
    j = n - 1;
    while (s[j] <= s[i])
        j--;
    swap_chars(&s[i], &s[j]);
    for (i++, j = n - 1; i < j; i++, j--)
        swap_chars(&s[i], &s[j]);
    return 1;
}

long factorial(int n)
{
    return n <= 1 ? 1L : n * factorial(n - 1);
}

int main(void)
{
    char s[6];
    long count = 1;
    s[0] = 'a'; s[1] = 'b'; s[2] = 'c'; s[3] = 'd'; s[4] = 'e'; s[5] = '\0';
    while (next_permutation(s, 5))
        count++;
    return count == factorial(5) && s[0] == 'e' && s[4] == 'a' ? 0 : 1;
}
