long combine(int a, long b, char c);
int __adecl fast(int a, int b, long c);
int use(void)
{
    long r = combine(1, 2L, 'x');
    return fast(3, 4, r) + (int)r;
}
