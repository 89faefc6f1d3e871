/* A fixed-block memory pool with a free list threaded through the unused blocks. */
#include <stddef.h>

#define BLOCK_SIZE 16
#define BLOCKS 24

union block {
    union block *next_free;
    unsigned char bytes[BLOCK_SIZE];
    long align_long;
    double align_double;
};

static union block arena[BLOCKS];
static union block *free_list;
static unsigned int in_use;

void pool_init(void)
{
    int i;
    for (i = 0; i < BLOCKS - 1; i++)
        arena[i].next_free = &arena[i + 1];
    arena[BLOCKS - 1].next_free = NULL;
    free_list = arena;
    in_use = 0;
}

void *pool_alloc(void)
{
    union block *b = free_list;
    if (b == NULL)
        return NULL;
    free_list = b->next_free;
    in_use++;
    return b;
}

void pool_free(void *p)
{
    union block *b = (union block *)p;
    if (p == NULL)
        return;
    b->next_free = free_list;
    free_list = b;
    in_use--;
}

int pool_owns(const void *p)
{
    const unsigned char *c = (const unsigned char *)p;
    return c >= arena[0].bytes && c < arena[BLOCKS - 1].bytes + BLOCK_SIZE;
}

int main(void)
{
    void *taken[BLOCKS + 1];
    int i, n = 0;
    pool_init();
    while ((taken[n] = pool_alloc()) != NULL)
        n++;
    for (i = 0; i < n; i += 2)
        pool_free(taken[i]);
    return n == BLOCKS && in_use == BLOCKS / 2 && pool_owns(taken[1]) && !pool_owns(&n) ? 0 : 1;
}
