int pick(int a, int b, int c)
{
    if (a ? b > 1 : c)
        return 1;
    while (a && (b ? c : 0))
        a--;
    return 0;
}
