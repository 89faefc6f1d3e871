/* A reverse-Polish calculator over a fixed operand stack. */
#define DEPTH 16

struct stack {
    long values[DEPTH];
    int top;
};

static int push(struct stack *s, long v)
{
    if (s->top == DEPTH)
        return 0;
    s->values[s->top++] = v;
    return 1;
}

static int pop(struct stack *s, long *v)
{
    if (s->top == 0)
        return 0;
    *v = s->values[--s->top];
    return 1;
}

int evaluate(const char *program, long *result)
{
    struct stack s;
    long a, b, number;
    s.top = 0;
    while (*program) {
        char c = *program++;
        if (c == ' ')
            continue;
        if (c >= '0' && c <= '9') {
            number = c - '0';
            while (*program >= '0' && *program <= '9')
                number = number * 10 + (*program++ - '0');
            if (!push(&s, number))
                return 0;
            continue;
        }
        if (!pop(&s, &b) || !pop(&s, &a))
            return 0;
        switch (c) {
        case '+': a += b; break;
        case '-': a -= b; break;
        case '*': a *= b; break;
        case '/': if (b == 0) return 0; a /= b; break;
        case '%': if (b == 0) return 0; a %= b; break;
        default: return 0;
        }
        push(&s, a);
    }
    return s.top == 1 && pop(&s, result);
}

int main(void)
{
    long r = 0;
    if (!evaluate("3 4 + 12 *", &r) || r != 84)
        return 1;
    if (evaluate("1 +", &r) || evaluate("4 0 /", &r))
        return 2;
    return evaluate("1000 1000 * 7 %", &r) && r == 1000000L % 7 ? 0 : 3;
}
