/* A tagged value type built on a union, and unions used to view storage two ways. */
enum kind { K_INT, K_LONG, K_REAL, K_TEXT };

struct value {
    enum kind kind;
    union {
        int i;
        long l;
        double d;
        const char *s;
    } as;
};

union word {
    unsigned int whole;
    unsigned char bytes[2];
};

union shapes {
    struct { int kind; int r; } circle;
    struct { int kind; int w, h; } rect;
    int kind;
};

static struct value make_long(long l)
{
    struct value v;
    v.kind = K_LONG;
    v.as.l = l;
    return v;
}

double as_real(const struct value *v)
{
    switch (v->kind) {
    case K_INT: return v->as.i;
    case K_LONG: return (double)v->as.l;
    case K_REAL: return v->as.d;
    default: return 0.0;
    }
}

int area(const union shapes *s)
{
    if (s->kind == 0)
        return 3 * s->circle.r * s->circle.r;
    return s->rect.w * s->rect.h;
}

int main(void)
{
    union word w;
    union shapes sh;
    union word init = { 0x1234 };
    struct value v = make_long(100000L);
    w.whole = 0;
    w.bytes[0] = 0xFF;
    sh.rect.kind = 1;
    sh.rect.w = 4;
    sh.rect.h = 5;
    return as_real(&v) == 100000.0 && w.whole != 0 && area(&sh) == 20 && init.whole == 0x1234 ? 0 : 1;
}
