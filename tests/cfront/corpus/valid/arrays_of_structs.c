/* An inventory: arrays of structures searched, updated and summarised. */
struct part {
    char code[6];
    unsigned int stock;
    long price_cents;
};

static struct part inventory[] = {
    { "A100", 12, 250L },
    { "B200", 0, 1999L },
    { "C300", 7, 45000L },
    { "D400", 3, 100L }
};

#define PARTS (sizeof inventory / sizeof inventory[0])

static int code_equals(const char *a, const char *b)
{
    int i;
    for (i = 0; i < 6; i++) {
        if (a[i] != b[i])
            return 0;
        if (a[i] == '\0')
            return 1;
    }
    return 1;
}

struct part *find_part(const char *code)
{
    unsigned int i;
    for (i = 0; i < PARTS; i++)
        if (code_equals(inventory[i].code, code))
            return &inventory[i];
    return 0;
}

long stock_value(void)
{
    long total = 0;
    const struct part *p;
    for (p = inventory; p < inventory + PARTS; p++)
        total += p->stock * p->price_cents;
    return total;
}

unsigned int out_of_stock(void)
{
    unsigned int i, n = 0;
    for (i = 0; i < PARTS; i++)
        n += inventory[i].stock == 0;
    return n;
}

int main(void)
{
    struct part *p = find_part("C300");
    if (p == 0)
        return 1;
    p->stock -= 2;
    return stock_value() == 12L * 250L + 5L * 45000L + 300L && out_of_stock() == 1 && find_part("Z") == 0 ? 0 : 2;
}
