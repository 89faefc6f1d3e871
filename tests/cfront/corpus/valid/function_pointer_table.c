/* A command dispatcher driven by a table of names and handler pointers. */
#include <stddef.h>

typedef int (*command_fn)(int argument, int *state);

struct command {
    const char *name;
    command_fn run;
    unsigned char needs_argument;
};

static int cmd_set(int argument, int *state) { *state = argument; return 0; }
static int cmd_add(int argument, int *state) { *state += argument; return 0; }
static int cmd_neg(int argument, int *state) { (void)argument; *state = -*state; return 0; }
static int cmd_stop(int argument, int *state) { (void)argument; (void)state; return 1; }

static const struct command commands[] = {
    { "set", cmd_set, 1 },
    { "add", cmd_add, 1 },
    { "neg", cmd_neg, 0 },
    { "stop", cmd_stop, 0 },
    { NULL, NULL, 0 }
};

static int same_word(const char *a, const char *b)
{
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}

static const struct command *find(const char *name)
{
    const struct command *c;
    for (c = commands; c->name != NULL; c++)
        if (same_word(c->name, name))
            return c;
    return NULL;
}

int run_script(const char *const *words, int count)
{
    int state = 0, i = 0, argument;
    const struct command *c;
    while (i < count) {
        c = find(words[i++]);
        if (c == NULL)
            return -1;
        argument = 0;
        if (c->needs_argument && i < count)
            argument = words[i++][0] - '0';
        if ((*c->run)(argument, &state))
            break;
    }
    return state;
}

int main(void)
{
    static const char *const script[] = { "set", "4", "add", "3", "neg", "stop", "add", "9" };
    return run_script(script, (int)(sizeof script / sizeof *script)) == -7 ? 0 : 1;
}
