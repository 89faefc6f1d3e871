/* An open-addressing hash table mapping short names to integers, with deletion markers. */
#include <stddef.h>

#define SLOTS 32
#define NAME_MAX_LEN 12

enum slot_state { EMPTY, USED, DELETED };

struct slot {
    enum slot_state state;
    char name[NAME_MAX_LEN];
    int value;
};

static struct slot slots[SLOTS];

static unsigned int hash(const char *s)
{
    unsigned int h = 5381;
    while (*s)
        h = (h << 5) + h + (unsigned char)*s++;
    return h % SLOTS;
}

static int same(const char *a, const char *b)
{
    while (*a && *a == *b)
        a++, b++;
    return *a == *b;
}

static void copy_name(char *to, const char *from)
{
    size_t i;
    for (i = 0; i + 1 < NAME_MAX_LEN && from[i]; i++)
        to[i] = from[i];
    to[i] = '\0';
}

static struct slot *lookup(const char *name, int for_insert)
{
    unsigned int h = hash(name), probe;
    struct slot *free_slot = NULL, *s;
    for (probe = 0; probe < SLOTS; probe++) {
        s = &slots[(h + probe) % SLOTS];
        if (s->state == EMPTY)
            return for_insert ? (free_slot ? free_slot : s) : NULL;
        if (s->state == DELETED) {
            if (!free_slot)
                free_slot = s;
        } else if (same(s->name, name))
            return s;
    }
    return for_insert ? free_slot : NULL;
}

int table_put(const char *name, int value)
{
    struct slot *s = lookup(name, 1);
    if (s == NULL)
        return 0;
    if (s->state != USED)
        copy_name(s->name, name);
    s->state = USED;
    s->value = value;
    return 1;
}

int table_get(const char *name, int fallback)
{
    struct slot *s = lookup(name, 0);
    return s && s->state == USED ? s->value : fallback;
}

void table_remove(const char *name)
{
    struct slot *s = lookup(name, 0);
    if (s)
        s->state = DELETED;
}

int main(void)
{
    table_put("alpha", 1);
    table_put("beta", 2);
    table_put("gamma", 3);
    table_put("beta", 20);
    table_remove("alpha");
    return table_get("alpha", -1) == -1 && table_get("beta", 0) == 20 && table_get("gamma", 0) == 3 ? 0 : 1;
}
