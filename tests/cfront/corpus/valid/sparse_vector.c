/* Sparse vectors as sorted index/value arrays: dot product, addition and lookup. */
#define MAX_ENTRIES 16

struct sparse {
    unsigned int count;
    unsigned int index[MAX_ENTRIES];
    long value[MAX_ENTRIES];
};

int sparse_set(struct sparse *v, unsigned int index, long value)
{
    unsigned int i, j;
    for (i = 0; i < v->count && v->index[i] < index; i++)
        ;
    if (i < v->count && v->index[i] == index) {
        v->value[i] = value;
        return 1;
    }
    if (v->count == MAX_ENTRIES)
        return 0;
    for (j = v->count; j > i; j--) {
        v->index[j] = v->index[j - 1];
        v->value[j] = v->value[j - 1];
    }
    v->index[i] = index;
    v->value[i] = value;
    v->count++;
    return 1;
}

long sparse_dot(const struct sparse *a, const struct sparse *b)
{
    unsigned int i = 0, j = 0;
    long sum = 0;
    while (i < a->count && j < b->count) {
        if (a->index[i] == b->index[j])
            sum += a->value[i++] * b->value[j++];
        else if (a->index[i] < b->index[j])
            i++;
        else
            j++;
    }
    return sum;
}

long sparse_get(const struct sparse *v, unsigned int index)
{
    unsigned int low = 0, high = v->count;
    while (low < high) {
        unsigned int mid = (low + high) / 2;
        if (v->index[mid] < index)
            low = mid + 1;
        else
            high = mid;
    }
    return low < v->count && v->index[low] == index ? v->value[low] : 0L;
}

int main(void)
{
    static struct sparse a, b;
    sparse_set(&a, 1000, 3);
    sparse_set(&a, 5, 2);
    sparse_set(&a, 60000u, 7);
    sparse_set(&b, 5, 10);
    sparse_set(&b, 60000u, 100000L);
    sparse_set(&b, 6, 1);
    return sparse_dot(&a, &b) == 700020L && sparse_get(&a, 1000) == 3 && sparse_get(&b, 7) == 0 && a.index[0] == 5 ? 0 : 1;
}
