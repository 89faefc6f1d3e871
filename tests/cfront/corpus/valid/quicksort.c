/* Recursive quicksort with median-of-three pivot, and an iterative version with an explicit stack. */
static void swap(long *a, long *b)
{
    long t = *a;
    *a = *b;
    *b = t;
}

static int partition(long *a, int low, int high)
{
    int mid = low + (high - low) / 2, i, j;
    long pivot;
    if (a[mid] < a[low]) swap(&a[mid], &a[low]);
    if (a[high] < a[low]) swap(&a[high], &a[low]);
    if (a[mid] < a[high]) swap(&a[mid], &a[high]);
    pivot = a[high];
    for (i = low - 1, j = low; j < high; j++)
        if (a[j] <= pivot)
            swap(&a[++i], &a[j]);
    swap(&a[i + 1], &a[high]);
    return i + 1;
}

void quicksort(long *a, int low, int high)
{
    int p;
    if (low >= high)
        return;
    p = partition(a, low, high);
    quicksort(a, low, p - 1);
    quicksort(a, p + 1, high);
}

void quicksort_iterative(long *a, int n)
{
    int stack[64], top = -1, low, high, p;
    stack[++top] = 0;
    stack[++top] = n - 1;
    while (top >= 0) {
        high = stack[top--];
        low = stack[top--];
        if (low >= high)
            continue;
        p = partition(a, low, high);
        stack[++top] = low;
        stack[++top] = p - 1;
        stack[++top] = p + 1;
        stack[++top] = high;
    }
}

int main(void)
{
    long a[10] = { 50000L, -1L, 3L, 99999L, 0L, 42L, 42L, -70000L, 8L, 1L };
    long b[10];
    int i;
    for (i = 0; i < 10; i++)
        b[i] = a[i];
    quicksort(a, 0, 9);
    quicksort_iterative(b, 10);
    for (i = 0; i < 10; i++)
        if (a[i] != b[i] || (i > 0 && a[i - 1] > a[i]))
            return 1;
    return a[0] == -70000L ? 0 : 2;
}
