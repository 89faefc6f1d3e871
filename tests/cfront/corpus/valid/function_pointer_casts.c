/* Function pointers converted between types and back, compared, and stored in generic slots. */
typedef void (*generic_fn)(void);
typedef int (*int_fn)(int);
typedef long (*long_fn)(long, long);

static int negate(int x) { return -x; }
static long add_longs(long a, long b) { return a + b; }

struct slot {
    char kind;
    generic_fn fn;
};

static struct slot slots[2];

void store(int index, char kind, generic_fn fn)
{
    slots[index].kind = kind;
    slots[index].fn = fn;
}

long call_slot(int index, long a, long b)
{
    switch (slots[index].kind) {
    case 'i': return ((int_fn)slots[index].fn)((int)a);
    case 'l': return ((long_fn)slots[index].fn)(a, b);
    }
    return 0;
}

int main(void)
{
    int_fn back;
    store(0, 'i', (generic_fn)negate);
    store(1, 'l', (generic_fn)add_longs);
    back = (int_fn)slots[0].fn;
    return call_slot(0, 5, 0) == -5 && call_slot(1, 70000L, 5L) == 70005L && back == negate
        && slots[0].fn != slots[1].fn && (int_fn)0 == 0 ? 0 : 1;
}
