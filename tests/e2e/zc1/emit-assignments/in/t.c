struct point { int x, y; };
union word { unsigned int whole; unsigned char bytes[2]; };
typedef int (*handler)(int);
static int twice(int n) { return n * 2; }
struct point make(int x, int y) { struct point p; p.x = x; p.y = y; return p; }
int __adecl fast(long a, int b, int c);
double ratio(int a, int b) { return b ? (double)a / b : 0.0; }
int run(struct point *pts, int count, handler h)
{
    static int calls = 3;
    register int i;
    int total = 0, *cursor = &total;
    struct point copy;
    union word w;
    char c = 'a';
    long big = 1L << 20;
    for (i = 0; i < count; i++) {
        copy = pts[i];
        total += h(copy.x) + (*h)(copy.y);
        *cursor += pts->y;
        cursor += 0;
    }
    w.whole = 0x1234;
    c += w.bytes[1];
    big >>= c & 3;
    copy = make(1, 2);
    total = (total, fast(big, total, c));
    calls++;
    switch (c) { case 'a': goto done; case 'b': total = -total; break; }
    total = total > 0 ? (c ? twice(total) : 1) : ratio(total, 3) > 1.5;
done:
    return total + calls;
}
