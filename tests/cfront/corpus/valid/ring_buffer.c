/* A fixed-size ring buffer of bytes for an interrupt-fed receive queue. */
#define RING_SIZE 16
#define RING_MASK (RING_SIZE - 1)

struct ring {
    unsigned char data[RING_SIZE];
    volatile unsigned char head;
    volatile unsigned char tail;
};

static struct ring rx;

int ring_empty(const struct ring *r) { return r->head == r->tail; }
int ring_full(const struct ring *r) { return ((r->head + 1) & RING_MASK) == r->tail; }

int ring_put(struct ring *r, unsigned char c)
{
    if (ring_full(r))
        return 0;
    r->data[r->head] = c;
    r->head = (unsigned char)((r->head + 1) & RING_MASK);
    return 1;
}

int ring_get(struct ring *r)
{
    int c;
    if (ring_empty(r))
        return -1;
    c = r->data[r->tail];
    r->tail = (unsigned char)((r->tail + 1) & RING_MASK);
    return c;
}

unsigned int ring_count(const struct ring *r)
{
    return (unsigned int)((r->head - r->tail) & RING_MASK);
}

int main(void)
{
    int i, c, sum = 0;
    for (i = 0; i < 20; i++)
        if (!ring_put(&rx, (unsigned char)('a' + i)))
            break;
    if (i != RING_SIZE - 1 || ring_count(&rx) != 15)
        return 1;
    while ((c = ring_get(&rx)) >= 0)
        sum += c - 'a';
    return sum == 105 && ring_empty(&rx) ? 0 : 2;
}
