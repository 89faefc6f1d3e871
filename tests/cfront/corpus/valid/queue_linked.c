/* A FIFO queue of messages as a doubly linked list with sentinel, and iteration helpers. */
struct message {
    struct message *prev, *next;
    int id;
    char text[8];
};

struct queue {
    struct message sentinel;
    unsigned int length;
};

void queue_init(struct queue *q)
{
    q->sentinel.prev = q->sentinel.next = &q->sentinel;
    q->length = 0;
}

void queue_push_back(struct queue *q, struct message *m)
{
    m->next = &q->sentinel;
    m->prev = q->sentinel.prev;
    q->sentinel.prev->next = m;
    q->sentinel.prev = m;
    q->length++;
}

struct message *queue_pop_front(struct queue *q)
{
    struct message *m = q->sentinel.next;
    if (m == &q->sentinel)
        return 0;
    m->prev->next = m->next;
    m->next->prev = m->prev;
    m->next = m->prev = 0;
    q->length--;
    return m;
}

void queue_for_each(struct queue *q, void (*visit)(struct message *, void *), void *context)
{
    struct message *m, *next;
    for (m = q->sentinel.next; m != &q->sentinel; m = next) {
        next = m->next;
        visit(m, context);
    }
}

static void add_id(struct message *m, void *context)
{
    *(int *)context += m->id;
}

int main(void)
{
    static struct message messages[5];
    struct queue q;
    struct message *first;
    int i, total = 0;
    queue_init(&q);
    for (i = 0; i < 5; i++) {
        messages[i].id = i + 1;
        messages[i].text[0] = (char)('A' + i);
        queue_push_back(&q, &messages[i]);
    }
    first = queue_pop_front(&q);
    queue_for_each(&q, add_id, &total);
    return first->id == 1 && total == 14 && q.length == 4 ? 0 : 1;
}
