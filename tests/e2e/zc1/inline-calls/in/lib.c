int add3(int a, int b, int c)
{
    int s;
    s = a + b;
    {
        s += c;
    }
    return s;
}
