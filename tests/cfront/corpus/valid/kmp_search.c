/* Knuth-Morris-Pratt substring search with a precomputed failure table. */
#define MAX_PATTERN 32

static int build_failure(const char *pattern, int failure[MAX_PATTERN])
{
    int i, k = 0, n = 0;
    while (pattern[n] && n < MAX_PATTERN)
        n++;
    failure[0] = 0;
    for (i = 1; i < n; i++) {
        while (k > 0 && pattern[i] != pattern[k])
            k = failure[k - 1];
        if (pattern[i] == pattern[k])
            k++;
        failure[i] = k;
    }
    return n;
}

int count_occurrences(const char *text, const char *pattern)
{
    int failure[MAX_PATTERN], n = build_failure(pattern, failure), k = 0, count = 0;
    if (n == 0)
        return 0;
    for (; *text; text++) {
        while (k > 0 && *text != pattern[k])
            k = failure[k - 1];
        if (*text == pattern[k])
            k++;
        if (k == n) {
            count++;
            k = failure[k - 1];
        }
    }
    return count;
}

int main(void)
{
    return count_occurrences("abababab", "abab") == 3 && count_occurrences("aaaa", "aa") == 3
        && count_occurrences("hello", "xyz") == 0 && count_occurrences("abc", "") == 0 ? 0 : 1;
}
