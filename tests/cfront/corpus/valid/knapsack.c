/* The 0/1 knapsack problem by dynamic programming over capacities. */
#define ITEMS 6
#define CAPACITY 20

struct item { unsigned char weight; unsigned int value; };

static const struct item items[ITEMS] = {
    { 3, 40 }, { 4, 50 }, { 5, 65 }, { 8, 90 }, { 9, 100 }, { 10, 120 }
};

unsigned int best_value(unsigned int capacity, unsigned char chosen[ITEMS])
{
    static unsigned int table[ITEMS + 1][CAPACITY + 1];
    unsigned int i, c, with;
    for (i = 1; i <= ITEMS; i++)
        for (c = 0; c <= capacity; c++) {
            table[i][c] = table[i - 1][c];
            if (items[i - 1].weight <= c) {
                with = table[i - 1][c - items[i - 1].weight] + items[i - 1].value;
                if (with > table[i][c])
                    table[i][c] = with;
            }
        }
    for (i = ITEMS, c = capacity; i > 0; i--) {
        chosen[i - 1] = table[i][c] != table[i - 1][c];
        if (chosen[i - 1])
            c -= items[i - 1].weight;
    }
    return table[ITEMS][capacity];
}

int main(void)
{
    unsigned char chosen[ITEMS];
    unsigned int value = best_value(CAPACITY, chosen), weight = 0, i;
    for (i = 0; i < ITEMS; i++)
        if (chosen[i])
            weight += items[i].weight;
    return value == 245 && weight <= CAPACITY ? 0 : 1;
}
