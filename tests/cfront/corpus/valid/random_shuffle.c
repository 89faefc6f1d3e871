/* A linear congruential generator in unsigned long, and a Fisher-Yates shuffle with it. */
static unsigned long seed = 12345UL;

unsigned int next_random(void)
{
    seed = seed * 1103515245UL + 12345UL;
    return (unsigned int)((seed >> 16) & 0x7FFF);
}

unsigned int random_below(unsigned int n)
{
    unsigned int limit = 0x8000u - 0x8000u % n, r;
    do
        r = next_random();
    while (r >= limit);
    return r % n;
}

void shuffle(int *a, unsigned int n)
{
    unsigned int i, j;
    int t;
    for (i = n - 1; i > 0; i--) {
        j = random_below(i + 1);
        t = a[i];
        a[i] = a[j];
        a[j] = t;
    }
}

int main(void)
{
    int deck[20], seen[20] = { 0 };
    unsigned int i;
    for (i = 0; i < 20; i++)
        deck[i] = (int)i;
    shuffle(deck, 20);
    for (i = 0; i < 20; i++)
        if (deck[i] < 0 || deck[i] >= 20 || seen[deck[i]]++)
            return 1;
    return 0;
}
