/* Insertion sort and binary search over int arrays, with a comparison callback. */
typedef int (*compare_fn)(const void *, const void *);

static int ascending(const void *a, const void *b)
{
    int x = *(const int *)a, y = *(const int *)b;
    return (x > y) - (x < y);
}

static int descending(const void *a, const void *b)
{
    return ascending(b, a);
}

void insertion_sort(int *a, int n, compare_fn cmp)
{
    int i, j, key;
    for (i = 1; i < n; i++) {
        key = a[i];
        for (j = i - 1; j >= 0 && cmp(&a[j], &key) > 0; j--)
            a[j + 1] = a[j];
        a[j + 1] = key;
    }
}

int binary_search(const int *a, int n, int key)
{
    int low = 0, high = n - 1, mid;
    while (low <= high) {
        mid = low + (high - low) / 2;
        if (a[mid] == key)
            return mid;
        else if (a[mid] < key)
            low = mid + 1;
        else
            high = mid - 1;
    }
    return -1;
}

int is_sorted(const int *a, int n, compare_fn cmp)
{
    int i;
    for (i = 1; i < n; i++)
        if (cmp(a + i - 1, a + i) > 0)
            return 0;
    return 1;
}

int main(void)
{
    int data[] = { 9, -3, 5, 0, 12, 7, 7, -8, 2 };
    int n = sizeof data / sizeof data[0];
    insertion_sort(data, n, ascending);
    if (!is_sorted(data, n, ascending) || binary_search(data, n, 12) != n - 1)
        return 1;
    insertion_sort(data, n, descending);
    return is_sorted(data, n, descending) && data[0] == 12 ? 0 : 2;
}
