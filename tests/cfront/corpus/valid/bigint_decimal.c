/* Arbitrary-length decimal arithmetic on digit arrays: addition, multiplication by small ints. */
#define DIGITS 40

struct bignum {
    unsigned char digit[DIGITS];
    int used;
};

void big_from(struct bignum *b, unsigned long v)
{
    b->used = 0;
    do {
        b->digit[b->used++] = (unsigned char)(v % 10);
        v /= 10;
    } while (v && b->used < DIGITS);
}

void big_add(struct bignum *r, const struct bignum *a, const struct bignum *b)
{
    int i, carry = 0, n = a->used > b->used ? a->used : b->used;
    for (i = 0; i < n && i < DIGITS; i++) {
        int s = carry + (i < a->used ? a->digit[i] : 0) + (i < b->used ? b->digit[i] : 0);
        r->digit[i] = (unsigned char)(s % 10);
        carry = s / 10;
    }
    if (carry && i < DIGITS)
        r->digit[i++] = (unsigned char)carry;
    r->used = i;
}

void big_mul_small(struct bignum *b, unsigned int m)
{
    unsigned long carry = 0;
    int i;
    for (i = 0; i < b->used; i++) {
        carry += (unsigned long)b->digit[i] * m;
        b->digit[i] = (unsigned char)(carry % 10);
        carry /= 10;
    }
    while (carry && b->used < DIGITS) {
        b->digit[b->used++] = (unsigned char)(carry % 10);
        carry /= 10;
    }
}

int main(void)
{
    struct bignum f, a, b, sum;
    unsigned int i;
    big_from(&f, 1);
    for (i = 2; i <= 25; i++)
        big_mul_small(&f, i);
    big_from(&a, 4294967295UL);
    big_from(&b, 1UL);
    big_add(&sum, &a, &b);
    return f.used == 26 && f.digit[25] == 1 && sum.used == 10 && sum.digit[0] == 6 ? 0 : 1;
}
