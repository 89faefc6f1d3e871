/* The sieve of Eratosthenes over a bit set of unsigned chars. */
#define LIMIT 2000
#define BYTES ((LIMIT + 7) / 8)

static unsigned char composite[BYTES];

#define SET_BIT(set, n) ((set)[(n) >> 3] |= (unsigned char)(1u << ((n) & 7)))
#define TEST_BIT(set, n) (((set)[(n) >> 3] >> ((n) & 7)) & 1)

void sieve(void)
{
    unsigned int i, j;
    SET_BIT(composite, 0);
    SET_BIT(composite, 1);
    for (i = 2; i * i < LIMIT; i++)
        if (!TEST_BIT(composite, i))
            for (j = i * i; j < LIMIT; j += i)
                SET_BIT(composite, j);
}

unsigned int count_primes(unsigned int below)
{
    unsigned int n, count = 0;
    for (n = 0; n < below; n++)
        count += !TEST_BIT(composite, n);
    return count;
}

unsigned int nth_prime(unsigned int index)
{
    unsigned int n;
    for (n = 2; n < LIMIT; n++)
        if (!TEST_BIT(composite, n) && index-- == 0)
            return n;
    return 0;
}

int main(void)
{
    sieve();
    return count_primes(100) == 25 && count_primes(LIMIT) == 303 && nth_prime(0) == 2
        && nth_prime(99) == 541 ? 0 : 1;
}
