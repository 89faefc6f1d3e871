/* Levenshtein distance with two rolling rows. */
static unsigned int text_length(const char *s)
{
    unsigned int n = 0;
    while (s[n])
        n++;
    return n;
}

static unsigned int smallest(unsigned int a, unsigned int b, unsigned int c)
{
    unsigned int m = a < b ? a : b;
    return m < c ? m : c;
}

unsigned int edit_distance(const char *a, const char *b)
{
    unsigned int rows[2][32];
    unsigned int la = text_length(a), lb = text_length(b), i, j;
    unsigned int *previous = rows[0], *current = rows[1], *t;
    if (lb >= 32)
        return 0xFFFFu;
    for (j = 0; j <= lb; j++)
        previous[j] = j;
    for (i = 1; i <= la; i++) {
        current[0] = i;
        for (j = 1; j <= lb; j++)
            current[j] = smallest(previous[j] + 1, current[j - 1] + 1,
                                  previous[j - 1] + (a[i - 1] != b[j - 1]));
        t = previous;
        previous = current;
        current = t;
    }
    return previous[lb];
}

int main(void)
{
    return edit_distance("kitten", "sitting") == 3 && edit_distance("", "abc") == 3
        && edit_distance("same", "same") == 0 && edit_distance("flaw", "lawn") == 2 ? 0 : 1;
}
