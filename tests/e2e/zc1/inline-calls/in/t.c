int add3(int a, int b, int c);
int __adecl pick(int a, int b);
#pragma inline twice, pick
int twice(int x) { if (x) { return x + x; } return 0; }
int __adecl pick(int a, int b) { return a > b ? a : b; }

int use(int v)
{
    return twice(v) + twice(v + 1) + pick(v, 3) + add3(v, 1, 2);
}
