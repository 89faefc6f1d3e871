/* const and volatile before and after the type, on pointers, pointees, members and parameters. */
const int limit = 10;
int const also_limit = 10;
volatile unsigned char status_register;
const volatile unsigned int clock_ticks = 0;
const char *const message = "fixed";
char *const volatile slot = 0;
int *volatile *const indirect = 0;
const int table[3] = { 1, 2, 3 };

struct device {
    volatile unsigned char control;
    const unsigned char id;
    unsigned char volatile *const data;
};

typedef const struct device Device;
typedef volatile int vint;

int read_twice(volatile const int *p)
{
    int a = *p;
    int b = *p;
    return a + b;
}

unsigned int sum(const unsigned char *const bytes, const unsigned int count)
{
    unsigned int i, total = 0;
    for (i = 0; i < count; i++)
        total += bytes[i];
    return total;
}

int poll(Device *d)
{
    return d->control & 0x80 ? d->id : -1;
}

int main(void)
{
    static unsigned char buffer[4] = { 1, 2, 3, 4 };
    struct device dev = { 0x80, 7, buffer };
    const vint counter = 4;
    int const *cp = &limit;
    const int *const *cpp = &cp;
    volatile int v = 2;
    status_register = 1;
    dev.data[0] = 9;
    return read_twice(&v) == 4 && sum(buffer, 4u) == 18 && poll(&dev) == 7 && **cpp == also_limit
        && counter == 4 && table[2] == 3 && message[0] == 'f' ? 0 : 1;
}
