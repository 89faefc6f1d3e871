/* A binary min-heap of (priority, payload) pairs used as a priority queue. */
struct item { unsigned int priority; int payload; };

#define CAPACITY 31

struct heap {
    struct item items[CAPACITY];
    int size;
};

static void exchange(struct item *a, struct item *b)
{
    struct item t;
    t = *a;
    *a = *b;
    *b = t;
}

int heap_push(struct heap *h, unsigned int priority, int payload)
{
    int i, parent;
    if (h->size == CAPACITY)
        return 0;
    i = h->size++;
    h->items[i].priority = priority;
    h->items[i].payload = payload;
    while (i > 0) {
        parent = (i - 1) / 2;
        if (h->items[parent].priority <= h->items[i].priority)
            break;
        exchange(&h->items[parent], &h->items[i]);
        i = parent;
    }
    return 1;
}

int heap_pop(struct heap *h, struct item *out)
{
    int i = 0, child;
    if (h->size == 0)
        return 0;
    *out = h->items[0];
    h->items[0] = h->items[--h->size];
    for (;;) {
        child = 2 * i + 1;
        if (child >= h->size)
            break;
        if (child + 1 < h->size && h->items[child + 1].priority < h->items[child].priority)
            child++;
        if (h->items[i].priority <= h->items[child].priority)
            break;
        exchange(&h->items[i], &h->items[child]);
        i = child;
    }
    return 1;
}

int main(void)
{
    static struct heap h;
    static const unsigned int priorities[] = { 5, 1, 9, 3, 7, 2 };
    struct item it;
    unsigned int last = 0, i;
    for (i = 0; i < 6; i++)
        heap_push(&h, priorities[i], (int)i);
    while (heap_pop(&h, &it)) {
        if (it.priority < last)
            return 1;
        last = it.priority;
    }
    return last == 9 ? 0 : 2;
}
