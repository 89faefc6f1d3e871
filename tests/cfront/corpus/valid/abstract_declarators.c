/* Type names without identifiers in casts, sizeof and prototypes. */
typedef int (*Handler)(int);

unsigned int sizes[] = {
    sizeof(int *),
    sizeof(int (*)[4]),
    sizeof(int *[4]),
    sizeof(int (*)(void)),
    sizeof(int (*[3])(char, long)),
    sizeof(char (*(*)[2])[5]),
    sizeof(const volatile unsigned long *const *),
    sizeof(struct { int a; char b[3]; }),
    sizeof(Handler[6])
};

int apply(int (*)(int), int);
int apply_all(int (*[])(int), unsigned int, int);
void register_callback(void (*)(void (*)(int), int));
double (*pick(int))(double);

int apply(int (*f)(int), int x)
{
    return f(x);
}

int apply_all(int (*fs[])(int), unsigned int n, int x)
{
    unsigned int i;
    for (i = 0; i < n; i++)
        x = (*fs[i])(x);
    return x;
}

static double half(double d) { return d / 2.0; }
static double twice(double d) { return d * 2.0; }

double (*pick(int which))(double)
{
    return which ? twice : half;
}

static int inc(int x) { return x + 1; }
static int neg(int x) { return -x; }

int main(void)
{
    int (*table[2])(int);
    void *erased;
    long value;
    table[0] = inc;
    table[1] = neg;
    erased = (void *)&value;
    value = (long)apply_all(table, 2u, 4);
    *(long *)erased += (long)(int)(*pick(1))(3.0);
    return value == 1L && sizeof(int (*)(int)) == sizeof(Handler) ? 0 : 1;
}
