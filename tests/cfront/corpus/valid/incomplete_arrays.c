/* Arrays declared without a size and completed later, or sized by their initialiser. */
extern int primes[];
extern const char greeting[];
int tentative[];
static int count_until(const int *a, int stop);

int first_prime_above(int n)
{
    int i;
    for (i = 0; primes[i] != 0; i++)
        if (primes[i] > n)
            return primes[i];
    return -1;
}

static int first_tentative(void)
{
    return tentative[0] + tentative[3];
}

int tentative[4] = { 5, 6, 7, 8 };
int primes[] = { 2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 0 };
const char greeting[6] = "hello";
char sized_by_string[] = "sixteen chars..";
int matrix[][3] = { { 1, 2, 3 }, { 4, 5, 6 } };

static int count_until(const int *a, int stop)
{
    int n = 0;
    while (a[n] != stop)
        n++;
    return n;
}

int main(void)
{
    int n = count_until(primes, 0);
    int size_ok = sizeof sized_by_string == 16 && sizeof matrix == 6 * sizeof(int);
    size_ok = size_ok && sizeof tentative == 4 * sizeof(int) && first_tentative() == 13;
    return n == 10 && size_ok && first_prime_above(20) == 23 && greeting[4] == 'o' ? 0 : 1;
}
