/* Structure tags declared in nested scopes, forward references and vacuous declarations. */
struct pair;

struct holder {
    struct pair *first;
    struct pair *second;
};

struct pair {
    int left, right;
};

static struct pair p1 = { 1, 2 }, p2 = { 3, 4 };
static struct holder h = { &p1, &p2 };

int outer_sum(void)
{
    return h.first->left + h.second->right;
}

int inner_tags(void)
{
    struct pair { long big; } local;
    int result;
    local.big = 40L;
    {
        struct pair;
        struct wrapper { struct pair *p; } w;
        struct pair { char tiny; } inner;
        inner.tiny = 2;
        w.p = &inner;
        result = (int)local.big + w.p->tiny;
    }
    return result;
}

struct list;
typedef struct list *List;
struct list {
    int head;
    List tail;
};

int length(List l)
{
    int n = 0;
    while (l) {
        n++;
        l = l->tail;
    }
    return n;
}

int main(void)
{
    struct list c = { 3, 0 }, b = { 2, 0 }, a = { 1, 0 };
    a.tail = &b;
    b.tail = &c;
    return outer_sum() + inner_tags() + length(&a) == 5 + 42 + 3 ? 0 : 1;
}
