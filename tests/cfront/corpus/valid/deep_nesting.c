/* Deeply nested blocks, loops, conditions and parenthesised expressions (within sane limits). */
int nested_blocks(int n)
{
    int a = n;
    {
        int b = a + 1;
        {
            int c = b + 1;
            {
                int d = c + 1;
                {
                    int e = d + 1;
                    {
                        int f = e + 1;
                        {
                            int g = f + 1;
                            {
                                int h = g + 1;
                                a = h;
                            }
                        }
                    }
                }
            }
        }
    }
    return a;
}

int nested_loops(void)
{
    int i, j, k, l, count = 0;
    for (i = 0; i < 3; i++)
        for (j = 0; j < 3; j++)
            for (k = 0; k < 3; k++)
                for (l = 0; l < 3; l++)
                    if (i < j)
                        if (j < k)
                            if (k < l)
                                count++;
                            else if (k == l)
                                count += 2;
    return count;
}

long nested_parentheses(long x)
{
    return ((((((((((x + 1) * 2) - 3) / 4) + 5) * 6) - 7) % 1000) + ((((x)))) * (((2)))) - 1);
}

int main(void)
{
    return nested_blocks(1) == 8 && nested_loops() == 2 && nested_parentheses(10L) == 66L ? 0 : 1;
}
