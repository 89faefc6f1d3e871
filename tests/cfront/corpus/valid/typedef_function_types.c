/* Function types named by typedef, used to declare functions, pointers and parameters. */
typedef int binary_op(int, int);
typedef binary_op *binary_ptr;
typedef void consumer(const char *);

binary_op add, subtract, multiply;
consumer record_line;

static unsigned int lines_seen;

int add(int a, int b) { return a + b; }
int subtract(int a, int b) { return a - b; }
int multiply(int a, int b) { return a * b; }

void record_line(const char *text)
{
    if (text && *text)
        lines_seen++;
}

int fold(binary_op *op, const int *values, int n, int start)
{
    int i;
    for (i = 0; i < n; i++)
        start = op(start, values[i]);
    return start;
}

binary_ptr choose(char symbol)
{
    switch (symbol) {
    case '+': return add;
    case '-': return subtract;
    case '*': return multiply;
    }
    return 0;
}

int main(void)
{
    static const int values[] = { 1, 2, 3, 4 };
    consumer *log_to = record_line;
    binary_ptr ops[3];
    ops[0] = choose('+');
    ops[1] = choose('-');
    ops[2] = choose('*');
    log_to("sum");
    log_to("");
    return fold(ops[0], values, 4, 0) == 10 && fold(ops[1], values, 4, 10) == 0 && fold(ops[2], values, 4, 1) == 24
        && choose('/') == 0 && lines_seen == 1 ? 0 : 1;
}
