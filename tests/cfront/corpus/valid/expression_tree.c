/* A recursive expression tree, built from a node pool, evaluated and simplified. */
enum op { NUM, ADD, SUB, MUL, DIV, NEG };

struct expr {
    enum op op;
    int value;
    struct expr *left, *right;
};

static struct expr pool[40];
static int used;

static struct expr *node(enum op op, int value, struct expr *l, struct expr *r)
{
    struct expr *e = &pool[used++];
    e->op = op;
    e->value = value;
    e->left = l;
    e->right = r;
    return e;
}

#define NUMBER(v) node(NUM, (v), 0, 0)

long eval(const struct expr *e)
{
    long l, r;
    if (e->op == NUM)
        return e->value;
    l = eval(e->left);
    r = e->right ? eval(e->right) : 0;
    switch (e->op) {
    case ADD: return l + r;
    case SUB: return l - r;
    case MUL: return l * r;
    case DIV: return r ? l / r : 0;
    case NEG: return -l;
    default: return 0;
    }
}

struct expr *simplify(struct expr *e)
{
    if (e->op == NUM)
        return e;
    e->left = simplify(e->left);
    if (e->right)
        e->right = simplify(e->right);
    if (e->op == MUL && e->right->op == NUM && e->right->value == 1)
        return e->left;
    if (e->op == ADD && e->left->op == NUM && e->left->value == 0)
        return e->right;
    if (e->op == NEG && e->left->op == NEG)
        return e->left->left;
    return e;
}

int depth(const struct expr *e)
{
    int l, r;
    if (!e)
        return 0;
    l = depth(e->left);
    r = depth(e->right);
    return (l > r ? l : r) + 1;
}

int main(void)
{
    struct expr *e = node(ADD, 0, NUMBER(0),
                          node(MUL, 0, node(NEG, 0, node(NEG, 0, NUMBER(7), 0), 0), NUMBER(1)));
    struct expr *d = node(DIV, 0, node(SUB, 0, NUMBER(100), NUMBER(40)), NUMBER(6));
    long before = eval(e);
    e = simplify(e);
    return before == 7 && eval(e) == 7 && depth(e) == 1 && eval(d) == 10 ? 0 : 1;
}
