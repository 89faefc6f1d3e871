/* A recursive-descent parser and evaluator for integer arithmetic with precedence. */
struct parser {
    const char *p;
    int error;
};

static long expression(struct parser *ps);

static void skip(struct parser *ps)
{
    while (*ps->p == ' ')
        ps->p++;
}

static long primary(struct parser *ps)
{
    long v = 0;
    skip(ps);
    if (*ps->p == '(') {
        ps->p++;
        v = expression(ps);
        skip(ps);
        if (*ps->p == ')')
            ps->p++;
        else
            ps->error = 1;
    } else if (*ps->p == '-') {
        ps->p++;
        v = -primary(ps);
    } else if (*ps->p >= '0' && *ps->p <= '9') {
        while (*ps->p >= '0' && *ps->p <= '9')
            v = v * 10 + (*ps->p++ - '0');
    } else {
        ps->error = 1;
    }
    return v;
}

static long term(struct parser *ps)
{
    long v = primary(ps), r;
    for (;;) {
        skip(ps);
        if (*ps->p == '*') {
            ps->p++;
            v *= primary(ps);
        } else if (*ps->p == '/') {
            ps->p++;
            r = primary(ps);
            if (r == 0) {
                ps->error = 1;
                return 0;
            }
            v /= r;
        } else {
            return v;
        }
    }
}

static long expression(struct parser *ps)
{
    long v = term(ps);
    for (;;) {
        skip(ps);
        if (*ps->p == '+')
            ps->p++, v += term(ps);
        else if (*ps->p == '-')
            ps->p++, v -= term(ps);
        else
            return v;
    }
}

int calculate(const char *text, long *value)
{
    struct parser ps;
    ps.p = text;
    ps.error = 0;
    *value = expression(&ps);
    skip(&ps);
    return !ps.error && *ps.p == '\0';
}

int main(void)
{
    long v;
    return calculate("2 + 3 * (4 - 1) / -3", &v) && v == -1 && !calculate("2 +", &v)
        && calculate("((((7))))", &v) && v == 7 ? 0 : 1;
}
