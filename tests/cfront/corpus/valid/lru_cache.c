/* A least-recently-used cache of four entries keyed by unsigned int, with age counters. */
#define WAYS 4

struct entry {
    unsigned int key;
    long value;
    unsigned int last_used;
    unsigned char valid;
};

struct cache {
    struct entry entries[WAYS];
    unsigned int clock;
    unsigned int hits, misses;
};

static long slow_compute(unsigned int key)
{
    return (long)key * key + 1;
}

long cache_get(struct cache *c, unsigned int key)
{
    struct entry *victim = &c->entries[0];
    int i;
    c->clock++;
    for (i = 0; i < WAYS; i++) {
        struct entry *e = &c->entries[i];
        if (e->valid && e->key == key) {
            e->last_used = c->clock;
            c->hits++;
            return e->value;
        }
        if (!e->valid || (victim->valid && e->last_used < victim->last_used))
            victim = e;
    }
    c->misses++;
    victim->key = key;
    victim->value = slow_compute(key);
    victim->valid = 1;
    victim->last_used = c->clock;
    return victim->value;
}

int main(void)
{
    static struct cache c;
    static const unsigned int keys[] = { 1, 2, 3, 1, 4, 5, 1, 2 };
    unsigned int i;
    for (i = 0; i < sizeof keys / sizeof keys[0]; i++)
        cache_get(&c, keys[i]);
    return c.hits == 2 && c.misses == 6 && cache_get(&c, 300) == 90001L ? 0 : 1;
}
