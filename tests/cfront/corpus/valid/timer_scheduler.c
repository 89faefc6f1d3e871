/* Software timers kept in a list sorted by expiry, driven by a tick counter. */
#include <stddef.h>

struct timer {
    unsigned long expires;
    void (*callback)(struct timer *);
    struct timer *next;
    int fired;
};

static struct timer *pending;
static unsigned long now;

void timer_add(struct timer *t, unsigned long delay, void (*callback)(struct timer *))
{
    struct timer **link = &pending;
    t->expires = now + delay;
    t->callback = callback;
    t->fired = 0;
    while (*link && (*link)->expires <= t->expires)
        link = &(*link)->next;
    t->next = *link;
    *link = t;
}

int timer_cancel(struct timer *t)
{
    struct timer **link;
    for (link = &pending; *link; link = &(*link)->next)
        if (*link == t) {
            *link = t->next;
            return 1;
        }
    return 0;
}

unsigned int timer_tick(void)
{
    unsigned int fired = 0;
    struct timer *t;
    now++;
    while (pending != NULL && pending->expires <= now) {
        t = pending;
        pending = t->next;
        t->callback(t);
        fired++;
    }
    return fired;
}

static void mark(struct timer *t) { t->fired++; }

int main(void)
{
    struct timer a, b, c;
    unsigned int fired = 0, i;
    timer_add(&a, 5, mark);
    timer_add(&b, 2, mark);
    timer_add(&c, 9, mark);
    timer_cancel(&c);
    for (i = 0; i < 10; i++)
        fired += timer_tick();
    return fired == 2 && a.fired && b.fired && !c.fired && pending == NULL ? 0 : 1;
}
