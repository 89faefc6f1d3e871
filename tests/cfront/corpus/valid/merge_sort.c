/* Stable merge sort of records by key, top-down with a scratch buffer. */
struct record { int key; unsigned char order; };

static struct record scratch[32];

static void merge(struct record *a, int low, int mid, int high)
{
    int i = low, j = mid, k = low;
    while (i < mid && j < high)
        scratch[k++] = a[j].key < a[i].key ? a[j++] : a[i++];
    while (i < mid)
        scratch[k++] = a[i++];
    while (j < high)
        scratch[k++] = a[j++];
    for (k = low; k < high; k++)
        a[k] = scratch[k];
}

void merge_sort(struct record *a, int low, int high)
{
    int mid;
    if (high - low < 2)
        return;
    mid = low + (high - low) / 2;
    merge_sort(a, low, mid);
    merge_sort(a, mid, high);
    merge(a, low, mid, high);
}

int main(void)
{
    struct record r[10];
    static const int keys[10] = { 5, 3, 5, 1, 3, 9, 0, 5, 1, 2 };
    int i;
    for (i = 0; i < 10; i++) {
        r[i].key = keys[i];
        r[i].order = (unsigned char)i;
    }
    merge_sort(r, 0, 10);
    for (i = 1; i < 10; i++)
        if (r[i - 1].key > r[i].key || (r[i - 1].key == r[i].key && r[i - 1].order > r[i].order))
            return 1;
    return 0;
}
