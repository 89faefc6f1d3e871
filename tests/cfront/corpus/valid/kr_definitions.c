/* Old-style function definitions with parameter declarations between ) and {. */
int add(a, b)
int a, b;
{
    return a + b;
}

long scale(value, factor, shift)
long value;
int factor;
unsigned shift;
{
    return (value * factor) >> shift;
}

double average(values, n)
double *values;
int n;
{
    double sum = 0.0;
    int i;
    for (i = 0; i < n; i++)
        sum += values[i];
    return n ? sum / n : 0.0;
}

copy(to, from, n)
char *to;
char *from;
{
    int i = 0;
    while (i < n) {
        to[i] = from[i];
        i++;
    }
    return i;
}

static int no_parameters()
{
    return 11;
}

int main()
{
    char buffer[8];
    static double samples[4] = { 1.0, 2.0, 3.5, 5.5 };
    int total = add(2, 3) + (int)scale(100L, 3, 2) + copy(buffer, "abcdefg", 8) + no_parameters();
    return total == 5 + 75 + 8 + 11 && average(samples, 4) == 3.0 ? 0 : 1;
}
