/* In-place heapsort of unsigned ints with a sift-down helper. */
static void sift_down(unsigned int *a, int start, int end)
{
    int root = start, child;
    unsigned int t;
    while ((child = 2 * root + 1) <= end) {
        if (child + 1 <= end && a[child] < a[child + 1])
            child++;
        if (a[root] >= a[child])
            return;
        t = a[root];
        a[root] = a[child];
        a[child] = t;
        root = child;
    }
}

void heapsort(unsigned int *a, int n)
{
    int start, end;
    unsigned int t;
    for (start = (n - 2) / 2; start >= 0; start--)
        sift_down(a, start, n - 1);
    for (end = n - 1; end > 0; end--) {
        t = a[0];
        a[0] = a[end];
        a[end] = t;
        sift_down(a, 0, end - 1);
    }
}

int main(void)
{
    unsigned int a[12] = { 65535u, 3, 40000u, 7, 7, 0, 12, 99, 1, 32768u, 5, 2 };
    int i;
    heapsort(a, 12);
    for (i = 1; i < 12; i++)
        if (a[i - 1] > a[i])
            return 1;
    return a[11] == 65535u && a[0] == 0 ? 0 : 2;
}
