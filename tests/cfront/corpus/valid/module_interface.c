/* A module in the style of a header followed by its implementation: the interface declares
   extern objects and functions, the implementation defines them with matching types. */
/* --- interface --- */
typedef struct logger logger;
struct logger;
extern const unsigned int logger_capacity;
extern logger *default_logger;
extern void logger_write(logger *, int level, const char *text);
extern unsigned int logger_count(const logger *, int minimum_level);
extern int (*logger_filter)(int level);

/* --- implementation --- */
#define CAPACITY 8

struct logger {
    int levels[CAPACITY];
    const char *texts[CAPACITY];
    unsigned int used;
};

static logger the_logger;
const unsigned int logger_capacity = CAPACITY;
logger *default_logger = &the_logger;

static int accept_all(int level) { return level >= 0; }
int (*logger_filter)(int level) = accept_all;

void logger_write(logger *l, int level, const char *text)
{
    if (!logger_filter(level) || l->used == logger_capacity)
        return;
    l->levels[l->used] = level;
    l->texts[l->used] = text;
    l->used++;
}

unsigned int logger_count(const logger *l, int minimum_level)
{
    unsigned int i, n = 0;
    for (i = 0; i < l->used; i++)
        if (l->levels[i] >= minimum_level)
            n++;
    return n;
}

static int only_errors(int level) { return level >= 2; }

int main(void)
{
    logger_write(default_logger, 0, "debug");
    logger_write(default_logger, 2, "error");
    logger_filter = only_errors;
    logger_write(default_logger, 1, "info");
    logger_write(default_logger, 3, "fatal");
    return logger_count(default_logger, 0) == 3 && logger_count(default_logger, 3) == 1 ? 0 : 1;
}
