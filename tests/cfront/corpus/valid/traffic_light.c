/* A traffic light controller as a table-driven state machine with timed transitions. */
enum light { RED, RED_AMBER, GREEN, AMBER, FLASHING, LIGHTS };
enum event { TICK, FAULT, RESET, EVENTS };

struct transition {
    enum light next;
    unsigned char duration;
};

static const struct transition table[LIGHTS][EVENTS] = {
    /* TICK             FAULT             RESET */
    { { RED_AMBER, 2 }, { FLASHING, 0 }, { RED, 10 } },
    { { GREEN, 10 },    { FLASHING, 0 }, { RED, 10 } },
    { { AMBER, 3 },     { FLASHING, 0 }, { RED, 10 } },
    { { RED, 10 },      { FLASHING, 0 }, { RED, 10 } },
    { { FLASHING, 0 },  { FLASHING, 0 }, { RED, 10 } }
};

struct controller {
    enum light light;
    unsigned char remaining;
    unsigned int changes;
};

void controller_event(struct controller *c, enum event e)
{
    const struct transition *t;
    if (e == TICK && c->remaining > 1) {
        c->remaining--;
        return;
    }
    t = &table[c->light][e];
    if (t->next != c->light)
        c->changes++;
    c->light = t->next;
    c->remaining = t->duration;
}

int main(void)
{
    struct controller c;
    int i;
    c.light = RED;
    c.remaining = 10;
    c.changes = 0;
    for (i = 0; i < 24; i++)
        controller_event(&c, TICK);
    if (c.light != AMBER)
        return 1;
    controller_event(&c, FAULT);
    controller_event(&c, TICK);
    controller_event(&c, RESET);
    return c.light == RED && c.changes == 5 ? 0 : 2;
}
