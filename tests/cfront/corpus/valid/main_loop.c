/* The main loop of a small controller: polled inputs, a command queue and periodic tasks
   selected through a table of periods and task functions. */
struct task {
    unsigned int period;
    unsigned int countdown;
    void (*run)(void);
};

static volatile unsigned int tick_count;
static unsigned int blinks, reports, samples;

static void blink(void) { blinks++; }
static void report(void) { reports++; }
static void sample(void) { samples++; }

static struct task tasks[] = {
    { 5, 5, blink },
    { 20, 20, report },
    { 1, 1, sample }
};

#define TASKS ((int)(sizeof tasks / sizeof tasks[0]))

void scheduler_tick(void)
{
    int i;
    tick_count++;
    for (i = 0; i < TASKS; i++) {
        struct task *t = &tasks[i];
        if (--t->countdown == 0) {
            t->countdown = t->period;
            (*t->run)();
        }
    }
}

int main(void)
{
    unsigned int i;
    for (i = 0; i < 100; i++)
        scheduler_tick();
    return blinks == 20 && reports == 5 && samples == 100 && tick_count == 100 ? 0 : 1;
}
