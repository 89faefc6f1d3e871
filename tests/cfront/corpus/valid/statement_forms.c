/* Every statement form: empty, compound, expression, selection with dangling else,
   iteration, jumps, labelled statements, and statements nested inside each other. */
static int log_value;

int statements(int n)
{
    int i = 0, r = 0;
    ;
    {
    }
    {
        ;
    }
    if (n > 0)
        if (n > 10)
            r = 2;
        else
            r = 1;
    else
        r = -1;
    if (n == 5) {
        r += 10;
    } else if (n == 6) {
        r += 20;
    } else {
    }
    while (i < n)
        if (i++ == 3)
            break;
    for (;;)
        break;
    do
        ;
    while (0);
    switch (n) {
    }
    switch (n)
        case 1:
            r += 100;
    label_one:
    if (r > 1000)
        goto label_one;
    log_value = r;
    return i + r;
}

void no_return_value(int *out)
{
    if (!out)
        return;
    *out = 1;
    return;
}

int main(void)
{
    int flag = 0;
    no_return_value(&flag);
    no_return_value(0);
    return statements(5) == 4 + 11 && statements(1) == 1 + 101 && statements(-3) == -1 && flag ? 0 : 1;
}
