/* A tokenizer for a small expression language: numbers, names, operators and strings. */
enum token_kind { T_END, T_NUMBER, T_NAME, T_STRING, T_OPERATOR, T_ERROR };

struct token {
    enum token_kind kind;
    const char *start;
    int length;
    long number;
};

static int is_alpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
static int is_digit(int c) { return c >= '0' && c <= '9'; }

const char *next_token(const char *p, struct token *t)
{
    while (*p == ' ' || *p == '\t' || *p == '\n')
        p++;
    t->start = p;
    t->number = 0;
    if (*p == '\0') {
        t->kind = T_END;
    } else if (is_digit(*p)) {
        t->kind = T_NUMBER;
        while (is_digit(*p))
            t->number = t->number * 10 + (*p++ - '0');
    } else if (is_alpha(*p)) {
        t->kind = T_NAME;
        while (is_alpha(*p) || is_digit(*p))
            p++;
    } else if (*p == '"') {
        t->kind = T_STRING;
        for (p++; *p && *p != '"'; p++)
            if (*p == '\\' && p[1])
                p++;
        if (*p == '"')
            p++;
        else
            t->kind = T_ERROR;
    } else if ((p[0] == '<' || p[0] == '>' || p[0] == '=' || p[0] == '!') && p[1] == '=') {
        t->kind = T_OPERATOR;
        p += 2;
    } else {
        t->kind = T_OPERATOR;
        p++;
    }
    t->length = (int)(p - t->start);
    return p;
}

int count_kinds(const char *text, int counts[6])
{
    struct token t;
    int total = 0;
    do {
        text = next_token(text, &t);
        counts[t.kind]++;
        total++;
    } while (t.kind != T_END);
    return total;
}

int main(void)
{
    int counts[6] = { 0 };
    int total = count_kinds("x1 = 42 + y * (z >= 7) \"a \\\" b\"", counts);
    return total == 13 && counts[T_NUMBER] == 2 && counts[T_NAME] == 3 && counts[T_STRING] == 1
        && counts[T_OPERATOR] == 6 ? 0 : 1;
}
