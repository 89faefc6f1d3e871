struct bits { unsigned low : 4; unsigned high : 4; };
long span(int *first, int *last) { return last - first; }
int walk(int *p, int n, struct bits *b)
{
    int both;
    p += 2;
    p--;
    b->high = n;
    b->low += 1;
    both = n > 0 && *p != 0;
    return both ? b->high : p[1];
}
