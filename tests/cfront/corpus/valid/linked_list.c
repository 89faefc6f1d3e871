/* A singly linked list over a static node pool: push, reverse, remove, sum. */
#include <stddef.h>

struct node {
    int value;
    struct node *next;
};

#define POOL_SIZE 32

static struct node pool[POOL_SIZE];
static int pool_used;

static struct node *new_node(int value, struct node *next)
{
    struct node *n;
    if (pool_used >= POOL_SIZE)
        return NULL;
    n = &pool[pool_used++];
    n->value = value;
    n->next = next;
    return n;
}

struct node *list_reverse(struct node *head)
{
    struct node *done = NULL, *rest;
    while (head != NULL) {
        rest = head->next;
        head->next = done;
        done = head;
        head = rest;
    }
    return done;
}

struct node *list_remove(struct node *head, int value)
{
    struct node **link = &head;
    while (*link != NULL) {
        if ((*link)->value == value)
            *link = (*link)->next;
        else
            link = &(*link)->next;
    }
    return head;
}

long list_sum(const struct node *n)
{
    long sum = 0;
    for (; n; n = n->next)
        sum += n->value;
    return sum;
}

int main(void)
{
    struct node *head = NULL;
    int i;
    for (i = 0; i < 10; i++)
        head = new_node(i * 3, head);
    head = list_reverse(head);
    head = list_remove(head, 9);
    return list_sum(head) == 126L ? 0 : 1;
}
