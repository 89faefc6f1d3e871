/* Sorting an array of string pointers with a shell sort and a hand-written comparison. */
static int compare_text(const char *a, const char *b)
{
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return (unsigned char)*a - (unsigned char)*b;
}

void shell_sort(const char **items, int n)
{
    int gap, i, j;
    const char *t;
    for (gap = n / 2; gap > 0; gap /= 2)
        for (i = gap; i < n; i++)
            for (j = i - gap; j >= 0 && compare_text(items[j], items[j + gap]) > 0; j -= gap) {
                t = items[j];
                items[j] = items[j + gap];
                items[j + gap] = t;
            }
}

int unique(const char **items, int n)
{
    int i, out = 0;
    for (i = 0; i < n; i++)
        if (out == 0 || compare_text(items[out - 1], items[i]) != 0)
            items[out++] = items[i];
    return out;
}

int main(void)
{
    const char *words[] = { "pear", "apple", "fig", "apple", "kiwi", "banana", "fig", "cherry" };
    int n = (int)(sizeof words / sizeof words[0]);
    shell_sort(words, n);
    n = unique(words, n);
    return n == 6 && compare_text(words[0], "apple") == 0 && compare_text(words[5], "pear") == 0 ? 0 : 1;
}
