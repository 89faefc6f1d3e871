/* Comma expressions in for loops and arguments, chained and nested conditional operators. */
static int calls;

static int tick(int v) { calls++; return v; }

const char *grade(int score)
{
    return score >= 90 ? "A"
         : score >= 80 ? "B"
         : score >= 70 ? "C"
         : score >= 60 ? "D"
         : "F";
}

int sign(long v)
{
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

int reverse(char *s, int n)
{
    int i, j, swaps;
    char t;
    for (i = 0, j = n - 1, swaps = 0; i < j; i++, j--, swaps++)
        t = s[i], s[i] = s[j], s[j] = t;
    return swaps;
}

int pick(int a, int b, int c)
{
    int m = a > b ? (a > c ? a : c) : (b > c ? b : c);
    return (tick(0), tick(1), m);
}

int main(void)
{
    char word[6];
    int x, y;
    word[0] = 'h'; word[1] = 'e'; word[2] = 'l'; word[3] = 'l'; word[4] = 'o'; word[5] = 0;
    x = (y = 3, y * 4);
    return grade(85)[0] == 'B' && grade(12)[0] == 'F' && sign(-5L) == -1 && sign(0L) == 0
        && reverse(word, 5) == 2 && word[0] == 'o' && pick(3, 9, 4) == 9 && calls == 2 && x == 12
        ? 0 : 1;
}
