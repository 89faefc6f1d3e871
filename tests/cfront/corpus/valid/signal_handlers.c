/* A handler registry whose entries take and return function pointers, like signal(). */
typedef void (*handler_t)(int);

#define SIGNALS 4

static handler_t handlers[SIGNALS];
static int log_sum;

void (*set_handler(int number, void (*handler)(int)))(int)
{
    handler_t old;
    if (number < 0 || number >= SIGNALS)
        return (handler_t)0;
    old = handlers[number];
    handlers[number] = handler;
    return old;
}

int raise_signal(int number)
{
    if (number < 0 || number >= SIGNALS || handlers[number] == 0)
        return -1;
    (*handlers[number])(number);
    return 0;
}

static void log_handler(int number) { log_sum += number + 1; }
static void other_handler(int number) { log_sum += 100 * number; }

int main(void)
{
    handler_t previous;
    set_handler(1, log_handler);
    set_handler(2, log_handler);
    previous = set_handler(2, other_handler);
    raise_signal(1);
    raise_signal(2);
    raise_signal(3);
    return previous == log_handler && log_sum == 202 && set_handler(7, log_handler) == 0 ? 0 : 1;
}
